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
        controllers_[static_cast<std::size_t>(p)] = parameterDescriptor(p).defaultController;
    }
    rebuildTargets();
}

void ControllerMap::rebuildTargets() {
    target_.fill(kNoController);
    // Parameters are entered in index order, so a later parameter sharing a controller wins.
    for (std::int32_t p = 0; p < kNumParams; ++p) {
        std::uint8_t c = controllers_[static_cast<std::size_t>(p)];
        if (c < 128) target_[c] = static_cast<std::uint8_t>(p);
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
    controllers_ = parsed;
    rebuildTargets();
}

std::string ControllerMap::save() const {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(kStoredLength);
    for (std::uint8_t c : controllers_) {
        text += kDigits[c >> 4];
        text += kDigits[c & 15];
    }
    return text;
}

void ControllerMap::assign(std::int32_t parameter, std::uint8_t controller) {
    if (!isParameterIndex(parameter)) return;
    auto& own = controllers_[static_cast<std::size_t>(parameter)];
    if (own < 128) target_[own] = kNoController;
    if (controller >= 128) {
        own = kNoController;
        return;
    }
    for (auto& c : controllers_) {
        if (c == controller) c = kNoController;
    }
    own = controller;
    target_[controller] = static_cast<std::uint8_t>(parameter);
}

}  // namespace sorvella
