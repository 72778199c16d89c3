#include "presets/settings_encoding.h"

#include <locale.h>
#include <algorithm>
#include <cfloat>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace sorvella {

namespace {

bool isCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

std::string encodeSettingInt(std::int32_t value) {
    char buffer[16];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::int32_t decodeSettingInt(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && isCSpace(text[pos]))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
    // Accumulating the magnitude stops just past the int32 range, so it can never overflow.
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        magnitude = std::min(magnitude * 10 + (text[pos] - '0'), kLimit);
    }
    std::int64_t value = negative ? -magnitude : magnitude;
    value = std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                     std::numeric_limits<std::int32_t>::max());
    return static_cast<std::int32_t>(value);
}

std::string encodeSettingFloat(float value) {
    char buffer[32];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value),
                                std::chars_format::general, 6);
    return std::string(buffer, result.ptr);
}

std::optional<float> decodeSettingFloat(std::string_view text) {
    // The "C" locale object is built once and kept for the life of the process.
    static const locale_t cLocale = ::newlocale(LC_ALL_MASK, "C", locale_t{});
    if (cLocale == locale_t{}) return std::nullopt;
    std::string terminated(text);
    double value = ::strtod_l(terminated.c_str(), nullptr, cLocale);
    if (!std::isfinite(value) || std::fabs(value) > FLT_MAX) return std::nullopt;
    return static_cast<float>(value);
}

}  // namespace sorvella
