// The per-user settings file: whatever it holds, every value read from it must write back and
// read again unchanged, decode to a usable number, and a stored controller map must load into a
// consistent map.
#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/controller_map.h"
#include "platform/config_file.h"
#include "platform/config_line.h"
#include "presets/settings_encoding.h"
#include "tests/fuzz/instrument_fuzz_support.h"

namespace {

void checkValue(std::string_view name, const std::string& value) {
    auto again = sorvella::parseConfigLine(sorvella::formatConfigLine(name, value));
    if (!again || again->name != name || again->value != value) __builtin_trap();
    sorvella::decodeSettingInt(value);
    if (auto f = sorvella::decodeSettingFloat(value); f && !std::isfinite(*f)) __builtin_trap();

    sorvella::ControllerMap map;
    map.load(value);
    for (std::int32_t c = 0; c < 128; ++c) {
        const std::uint8_t p = map.targetOf(c);
        if (p != sorvella::kNoController && map.controllerOf(p) != c) __builtin_trap();
    }
    sorvella::ControllerMap reloaded;
    reloaded.load(map.save());
    if (reloaded.save() != map.save()) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sorvella;
    const std::string_view content(reinterpret_cast<const char*>(data), size);

    // Line by line, as the file reader splits it.
    std::string_view rest = content;
    while (!rest.empty()) {
        std::size_t end = rest.find('\n');
        if (end == std::string_view::npos) end = rest.size();
        if (auto entry = parseConfigLine(rest.substr(0, end))) {
            if (entry->name.empty()) __builtin_trap();
            checkValue(entry->name, entry->value);
        }
        rest.remove_prefix(end < rest.size() ? end + 1 : end);
    }

    // And through the file itself.
    const std::string path = std::string(fuzz::scratchFolder()) + "/Sorvella.conf";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) __builtin_trap();
    const bool written = ::write(fd, data, size) == static_cast<ssize_t>(size);
    ::close(fd);
    if (!written) __builtin_trap();
    // Each lookup reads the file again: a few names are enough.
    ConfigFile file(path);
    int looked = 0;
    for (const auto& [name, value] : file.values()) {
        if (++looked > 4) break;
        auto got = file.get(name);
        if (!got || *got != value) __builtin_trap();
    }
    return 0;
}
