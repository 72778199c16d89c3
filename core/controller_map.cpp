#include "core/controller_map.h"

namespace sorvella {

namespace {

constexpr std::size_t kStoredLength = 2 * kNumParams;

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

ControllerMap& controllerMap() {
    static ControllerMap map;
    return map;
}

void ControllerMap::resetToTable() {
    for (std::int32_t p = 0; p < kNumParams; ++p) {
        controllers_[static_cast<std::size_t>(p)].store(parameterDescriptor(p).defaultController,
                                                        kOrder);
    }
    rebuildTargets();
}

void ControllerMap::rebuildTargets() {
    for (auto& t : target_)
        t.store(kNoController, kOrder);
    // Parameters are entered in index order, so a later parameter sharing a controller wins.
    for (std::int32_t p = 0; p < kNumParams; ++p) {
        std::uint8_t c = controllers_[static_cast<std::size_t>(p)].load(kOrder);
        if (c < 128) target_[c].store(static_cast<std::uint8_t>(p), kOrder);
    }
}

void ControllerMap::load(const std::optional<std::string>& stored) {
    resetToTable();
    if (!stored || stored->size() < kStoredLength) return;
    std::array<std::uint8_t, kNumParams> parsed{};
    for (std::size_t p = 0; p < parsed.size(); ++p) {
        int high = hexDigit((*stored)[2 * p]);
        int low = hexDigit((*stored)[2 * p + 1]);
        if (high < 0 || low < 0) return;
        auto value = static_cast<std::uint8_t>(16 * high + low);
        parsed[p] = value < 128 ? value : kNoController;
    }
    for (std::size_t p = 0; p < parsed.size(); ++p)
        controllers_[p].store(parsed[p], kOrder);
    rebuildTargets();
}

std::string ControllerMap::save() const {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(kStoredLength);
    for (const auto& entry : controllers_) {
        const std::uint8_t c = entry.load(kOrder);
        text += kDigits[c >> 4];
        text += kDigits[c & 15];
    }
    return text;
}

void ControllerMap::assign(std::int32_t parameter, std::uint8_t controller) {
    if (!isParameterIndex(parameter)) return;
    auto& own = controllers_[static_cast<std::size_t>(parameter)];
    const std::uint8_t previous = own.load(kOrder);
    if (previous < 128) target_[previous].store(kNoController, kOrder);
    if (controller >= 128) {
        own.store(kNoController, kOrder);
        return;
    }
    for (auto& c : controllers_) {
        if (c.load(kOrder) == controller) c.store(kNoController, kOrder);
    }
    own.store(controller, kOrder);
    target_[controller].store(static_cast<std::uint8_t>(parameter), kOrder);
}

}  // namespace sorvella
