// What a voice reads from its instrument: the values in force at note start and the few that act
// on sounding voices at once. The instrument owns one and updates it from its apply operations.
#pragma once

#include <cstdint>

namespace sorvella {

class MyEnvData;
struct VoiceRunScratch;
struct WavePair;

struct VoiceContext {
    // Shared tables.
    const float* noteFrequency = nullptr;  // 128 entries
    const float* waveTable1 = nullptr;     // 8192 entries, chosen by "Osc1 Shape"
    const float* waveTable2 = nullptr;     // chosen by "Osc2 Shape"

    // Sample rate and its single-precision reciprocals.
    float fs = 44100.0f;
    float invFs = 1.0f / 44100.0f;
    float halfInvFs = 0.5f / 44100.0f;

    // Read at note start.
    std::int32_t unisonSetting = 0;   // "Unison Notes" count n, 0..7; a voice plays n + 1 copies
    float unisonDetune = 0.0f;        // "Unison Detune" D
    float velTime = 0.0f;             // "Vel->Time mod"
    float velLevel = 0.0f;            // "Vel->Level mod"
    float velBreath = 0.0f;           // "Vel->Breath mod"
    float granularTime = 0.0f;        // "Granular Time" value (0..1)
    const MyEnvData* curves[3] = {};  // "Osc1", "Osc2", "Noise" curves of the working program

    // Read every sample or pushed to sounding voices at once.
    float osc2Ratio = 1.0f;    // from "Osc2 detune"
    float bend = 1.0f;         // pitch-bend factor
    float fm1 = 0.0f;          // -0.25 x "Osc1 FM"
    float fm2 = 0.0f;          // -0.25 x "Osc2 FM"
    float grain = 0.0f;        // 0.999 x "Granular Level"
    float noiseCutoff = 0.0f;  // "Noise Color" cutoff in cycles per sample
    bool sustain = false;      // sustain pedal down

    // The breath noise generator shared by all voices of the instrument.
    std::uint32_t noiseSeed = 1000;

    // Working memory of the voices' runs, owned by the instrument: page-aligned and off the
    // stack, so that where it lies relative to the voices' data does not change from one start
    // of the program to the next.
    VoiceRunScratch* scratch = nullptr;
    // The instrument's copy of the wave tables as value/delta pairs, every shape; null: the
    // process-wide copy.
    const WavePair* wavePairs = nullptr;
};

}  // namespace sorvella
