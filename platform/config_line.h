// One line of the per-user settings file: "name=value". Both sides are escaped so that any byte
// string survives a round trip: backslashes and control bytes always, '=' in names. Bytes from
// 0x80 up stay as they are, so UTF-8 paths remain readable in the file.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sorvella {

struct ConfigEntry {
    std::string name;
    std::string value;
};

std::string escapeConfigName(std::string_view name);
std::string escapeConfigValue(std::string_view value);

// The line for one value, without its line break.
std::string formatConfigLine(std::string_view name, std::string_view value);

// Decodes a line given without its line break (a trailing carriage return is ignored). Blank
// lines and garbled ones (no '=', an empty name, an unknown escape, a raw control byte) give none.
std::optional<ConfigEntry> parseConfigLine(std::string_view line);

}  // namespace sorvella
