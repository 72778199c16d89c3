// The factory bank: eight programs that each show another side of the instrument.
#pragma once

#include <array>

#include "core/my_vsti.h"

namespace sorvella::factory {

inline constexpr std::array<const char*, kNumPrograms> kFactoryProgramNames{
    "Choir Aah",          "Breath Pad", "Vowel Lead",   "Grain Cloud",
    "Formant Pluck Bass", "Glass Bell", "Whisper Wind", "Unison Organ",
};

// Designs the eight programs into slots 0..7 (whatever they held) and selects program 0. False
// when a curve refused its points, which would be a mistake in the designs themselves.
bool designFactoryBank(MyVsti& instrument);

}  // namespace sorvella::factory
