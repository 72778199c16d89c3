// Every control of the editor has an integer tag: its identity in the editor and its index in the
// editor's table of controls. A parameter's control carries the parameter index, its value display
// the index + 29.
#pragma once

#include <cstdint>

#include "core/parameter_table.h"

namespace sorvella::tags {

inline constexpr std::int32_t kCount = 96;  // tags 0..95 index the table of controls
inline constexpr std::int32_t kDisplayOffset = kNumParams;
inline constexpr std::int32_t kFirstDisplay = kDisplayOffset;                  // 29
inline constexpr std::int32_t kLastDisplay = kDisplayOffset + kNumParams - 1;  // 57
inline constexpr std::int32_t kProgramName = 59;
inline constexpr std::int32_t kLoadPatch = 60;
inline constexpr std::int32_t kSavePatch = 61;
inline constexpr std::int32_t kLoadBank = 62;
inline constexpr std::int32_t kSaveBank = 63;
inline constexpr std::int32_t kFirstProgramButton = 64;  // 64..71, program slots 0..7
inline constexpr std::int32_t kLastProgramButton = 71;
inline constexpr std::int32_t kEnvelopeEditor = 72;
inline constexpr std::int32_t kFirstVowelMenu = 73;  // 73..76: "Vowel1 start", "Vowel1 end",
inline constexpr std::int32_t kLastVowelMenu = 76;   // "Vowel2 start", "Vowel2 end"
inline constexpr std::int32_t kXYPad = 77;
inline constexpr std::int32_t kSplash = 78;
inline constexpr std::int32_t kMidiOut = 79;
inline constexpr std::int32_t kLearn = 80;
inline constexpr std::int32_t kFirstStepButton = 81;  // 81..88: up, down for 0, 13, 25, 26
inline constexpr std::int32_t kLastStepButton = 88;
inline constexpr std::int32_t kLoadTuning = 89;
inline constexpr std::int32_t kCloseFormantPage = 90;
inline constexpr std::int32_t kFormantEditor = 91;
inline constexpr std::int32_t kSetup = 93;  // the standalone program's own buttons
inline constexpr std::int32_t kWav = 94;
inline constexpr std::int32_t kSettingsMenu = -1;  // never registered

inline constexpr bool isTag(std::int32_t tag) {
    return tag >= 0 && tag < kCount;
}
inline constexpr std::int32_t displayOf(std::int32_t parameter) {
    return parameter + kDisplayOffset;
}

}  // namespace sorvella::tags
