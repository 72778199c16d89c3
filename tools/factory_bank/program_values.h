// The 29 parameter values of a program by name, with helpers that turn musical quantities
// (semitones, vowel rows, counts) into the normalised values that select them.
#pragma once

#include <cstdint>

#include "core/my_vsti.h"

namespace sorvella::factory {

// Rows of the built-in vowel table.
enum Vowel : std::int32_t {
    kBassA = 0,
    kBassE,
    kBassI,
    kBassO,
    kBassU,
    kTenorA,
    kTenorE,
    kTenorI,
    kTenorO,
    kTenorU,
    kCounterTenorA,
    kCounterTenorE,
    kCounterTenorI,
    kCounterTenorO,
    kCounterTenorU,
    kAltoA,
    kAltoE,
    kAltoI,
    kAltoO,
    kAltoU,
    kSopranoA,
    kSopranoE,
    kSopranoI,
    kSopranoO,
    kSopranoU,
    kEditedSet = 25,  // the program's own formant set instead of a table row
};

// Values that select a quantised setting with a margin from the edges of its step, so that
// rounding can never move them to the neighbouring one.
float polyphony(std::int32_t voices);         // 1..32
float osc2Semitones(std::int32_t semitones);  // -48..48
float unisonCopies(std::int32_t copies);      // 1..8
float waveShape(std::int32_t shape);          // 1..8, as the display numbers them
float vowel(Vowel row);

// Field order is parameter-index order. The defaults are those of the "Default" program.
struct ProgramValues {
    float voices = polyphony(16);
    float level = 0.5f;
    float osc2Detune = osc2Semitones(12);
    float mix1 = 0.68f;
    float mix2 = 1.0f;
    float mixBreath = 0.34f;
    float velTime = 0.81f;
    float velLevel = 0.815f;
    float velBreath = 0.79f;
    float chorusSpeed = 1.0f;
    float chorusDepth = 0.87f;
    float reverbLength = 0.71f;
    float reverbMix = 0.615f;
    float unisonNotes = unisonCopies(4);
    float unisonDetune = 0.5f;
    float vowel1Start = vowel(kBassA);
    float vowel1End = vowel(kBassI);
    float vowel1Morph = 0.5f;
    float vowel2Start = vowel(kSopranoA);
    float vowel2End = vowel(kSopranoI);
    float vowel2Morph = 0.5f;
    float granularLevel = 0.5f;
    float granularTime = 0.5f;
    float formantsL = 0.5f;
    float noiseColor = 0.8f;
    float osc1Shape = waveShape(1);
    float osc2Shape = waveShape(1);
    float osc1Fm = 0.0f;
    float osc2Fm = 0.0f;
};

// Sets all 29 parameters of the working program in index order.
void applyValues(MyVsti& instrument, const ProgramValues& values);

}  // namespace sorvella::factory
