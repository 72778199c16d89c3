// What the plugin tests share: the parameter indices as the host sees them, the values of the
// "Default" program, and set-ups that make the output easy to measure.
#pragma once

#include <cstdint>

#include "tests/plugin/test_host.h"

namespace sorvella::test {

enum Param : std::int32_t {
    kVoices = 0,
    kLevel,
    kOsc2Detune,
    kMix1,
    kMix2,
    kMixBreath,
    kVelTime,
    kVelLevel,
    kVelBreath,
    kChorusSpeed,
    kChorusDepth,
    kReverbLength,
    kReverbMix,
    kUnisonNotes,
    kUnisonDetune,
    kVowel1Start,
    kVowel1End,
    kVowel1Morph,
    kVowel2Start,
    kVowel2End,
    kVowel2Morph,
    kGranularLevel,
    kGranularTime,
    kFormantsL,
    kNoiseColor,
    kOsc1Shape,
    kOsc2Shape,
    kOsc1Fm,
    kOsc2Fm,
    kParamCount
};

constexpr float kRate = 44100.0f;

// The "Voices" value that sets a polyphony limit of n (1..32).
constexpr float voicesValue(int limit) {
    return static_cast<float>(limit - 1) / 31.0f;
}

// Seconds to frames at the standard rate.
constexpr std::int64_t frames(double seconds, double rate = kRate) {
    return static_cast<std::int64_t>(seconds * rate);
}

// Opens an instance and starts it at the given rate with 512-frame blocks; false on failure.
bool openStarted(TestHost& host, float rate = kRate);

// Silences the paths whose output is not a sum of independent voices or whose tail outlasts a
// short render: breath noise (one noise generator feeds all voices) and the reverb.
void voicesOnly(TestHost& host);
// openStarted, then voicesOnly.
bool openVoicesOnly(TestHost& host);

// One steady tone per voice: voicesOnly, no unison spread, oscillator 2 in unison with
// oscillator 1, no granular echo and the slowest, shallowest chorus.
void plainTone(TestHost& host);

// A note's pitch in Hz with the default tuning: note 69 sounds at 220 Hz.
double noteHz(int note);

}  // namespace sorvella::test
