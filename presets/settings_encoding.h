// The text form of the settings key's integers, floats and flags. Conversions never depend on the
// process locale: a host may have set one with a decimal comma.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sorvella {

// Decimal text of the signed value.
std::string encodeSettingInt(std::int32_t value);

// As atoi reads: leading white space, an optional sign, then decimal digits; anything else ends
// the number, and text without digits gives 0. Out-of-range numbers clamp to the int32 limits.
std::int32_t decodeSettingInt(std::string_view text);

// General form with 6 significant digits, as "%g" writes it.
std::string encodeSettingFloat(float value);

// As atof reads (a text without a number gives 0), then narrowed to float. None when the result
// is not finite (a stored "nan", "inf" or a number beyond the float range), so callers fall back
// to their default instead of feeding the sound a non-finite value.
std::optional<float> decodeSettingFloat(std::string_view text);

inline constexpr const char* kSettingYes = "Yes";
inline constexpr const char* kSettingNo = "No";

inline std::string encodeSettingFlag(bool value) {
    return value ? kSettingYes : kSettingNo;
}
inline bool decodeSettingFlag(std::string_view text) {
    return text == kSettingYes;
}

}  // namespace sorvella
