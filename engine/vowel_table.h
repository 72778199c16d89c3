// The built-in table of 25 sung vowels and the quantisation that maps a vowel parameter's value
// onto it.
#pragma once

#include <array>

namespace sorvella {

inline constexpr int kFormantCount = 5;
inline constexpr int kVowelCount = 25;
// Selection values 25 and above stand for the user-edited formant set; 26 is the largest kept.
inline constexpr int kUserVowelSelection = 25;
inline constexpr int kMaxVowelSelection = 26;

struct VowelRow {
    const char* name;
    std::array<float, kFormantCount> frequencies;  // Hz
    std::array<float, kFormantCount> levels;       // dB
    std::array<float, kFormantCount> bandwidths;   // Hz
};

extern const std::array<VowelRow, kVowelCount> kVowelTable;

// trunc(value * 100 + 0.01) in double precision, bounded to 0..26; negative and NaN values
// select row 0 so that no host value can index outside the table.
int vowelSelection(float value);

// Display text of a vowel parameter: the row the value selects, with the user-edited set
// shown as the last row.
const char* vowelName(float value);

}  // namespace sorvella
