#include "core/parameter_table.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/my_vsti.h"
#include "engine/tables.h"
#include "engine/vowel_table.h"

namespace sorvella {

namespace {

// The single-precision constants of the quantisers, widened to double.
constexpr double kTenth = static_cast<double>(0.1f);
constexpr float kStep128 = 0.0078125f;
constexpr float kStep31 = 1.0f / 31.0f;

using D = DisplayKind;
using M = MyVsti;

// clang-format off
constexpr ParameterDescriptor kTable[kNumParams] = {
    {kNoController, "Voices",          " ", &M::applyVoices,        D::kVoiceCount,   0.5f,  0.0f, 1.0f, kStep31},
    {7,             "Level",           " ", &M::applyLevel,         D::kPercent,      1.0f,  0.0f, 1.0f, kStep128},
    {37,            "Osc2 detune",     " ", &M::applyOsc2Detune,    D::kSemitones,    0.1f,  0.0f, 1.0f, kStep128},
    {43,            "Mix1",            " ", &M::applyMix1,          D::kOffOrPercent, 0.1f,  0.0f, 1.0f, kStep128},
    {44,            "Mix2",            " ", &M::applyMix2,          D::kOffOrPercent, 0.1f,  0.0f, 1.0f, kStep128},
    {45,            "Mix Breath",      "%", &M::applyMixBreath,     D::kPercent,      0.1f,  0.0f, 1.0f, kStep128},
    {46,            "Vel->Time mod",   "%", &M::applyVelTime,       D::kPercent,      0.35f, 0.0f, 1.0f, kStep128},
    {47,            "Vel->Level mod",  "%", &M::applyVelLevel,      D::kPercent,      0.35f, 0.0f, 1.0f, kStep128},
    {48,            "Vel->Breath mod", "%", &M::applyVelBreath,     D::kPercent,      0.35f, 0.0f, 1.0f, kStep128},
    {56,            "Chorus Speed",    "%", &M::applyChorusSpeed,   D::kPercent,      0.35f, 0.0f, 1.0f, kStep128},
    {57,            "Chorus Depth",    "%", &M::applyChorusDepth,   D::kPercent,      0.35f, 0.0f, 1.0f, kStep128},
    {58,            "Reverb Length",   "%", &M::applyReverbLength,  D::kPercent,      0.35f, 0.0f, 1.0f, kStep128},
    {59,            "Reverb Mix",      "%", &M::applyReverbMix,     D::kPercent,      0.35f, 0.0f, 1.0f, kStep128},
    {kNoController, "Unison Notes",    " ", &M::applyUnisonNotes,   D::kUnisonCount,  0.35f, 0.0f, 1.0f, 0.14f},
    {kNoController, "Unison Detune",   " ", &M::applyUnisonDetune,  D::kPercent,      0.35f, 0.0f, 1.0f, kStep128},
    {kNoController, "Vowel1 start",    " ", &M::applyVowel1Start,   D::kVowelName,    0.01f, 0.0f, 1.0f, kStep128},
    {kNoController, "Vowel1 end",      " ", &M::applyVowel1End,     D::kVowelName,    0.02f, 0.0f, 1.0f, kStep128},
    {33,            "Vowel1 Morph",    " ", &M::applyVowel1Morph,   D::kPercent,      0.1f,  0.0f, 1.0f, kStep128},
    {kNoController, "Vowel2 start",    " ", &M::applyVowel2Start,   D::kVowelName,    0.03f, 0.0f, 1.0f, kStep128},
    {kNoController, "Vowel2 end",      " ", &M::applyVowel2End,     D::kVowelName,    0.04f, 0.0f, 1.0f, kStep128},
    {36,            "Vowel2 Morph",    " ", &M::applyVowel2Morph,   D::kPercent,      0.1f,  0.0f, 1.0f, kStep128},
    {kNoController, "Granular Level",  " ", &M::applyGranularLevel, D::kOffOrPercent, 0.35f, 0.0f, 1.0f, kStep128},
    {kNoController, "Granular Time",   " ", &M::applyGranularTime,  D::kPercent,      0.35f, 0.0f, 1.0f, kStep128},
    {38,            "Formants L",      " ", &M::applyFormantsL,     D::kPercent,      0.0f,  0.0f, 1.0f, kStep128},
    {39,            "Noise Color",     " ", &M::applyNoiseColor,    D::kPercent,      0.0f,  0.0f, 1.0f, kStep128},
    {40,            "Osc1 Shape",      " ", &M::applyOsc1Shape,     D::kShapeNumber,  0.0f,  0.0f, 1.0f, 0.14f},
    {41,            "Osc2 Shape",      " ", &M::applyOsc2Shape,     D::kShapeNumber,  0.0f,  0.0f, 1.0f, 0.14f},
    {42,            "Osc1 FM",         " ", &M::applyOsc1Fm,        D::kPercent,      0.0f,  0.0f, 1.0f, kStep128},
    {43,            "Osc2 FM",         " ", &M::applyOsc2Fm,        D::kPercent,      0.0f,  0.0f, 1.0f, kStep128},
};

constexpr float kInitialValues[kNumParams] = {
    0.5f, 0.5f, 0.625f, 0.68f, 1.0f, 0.34f, 0.81f, 0.815f, 0.79f, 1.0f,
    0.87f, 0.71f, 0.615f, 0.5f, 0.5f, 0.0f, 0.02f, 0.5f, 0.2f, 0.22f,
    0.5f, 0.5f, 0.5f, 0.5f, 0.8f, 0.0f, 0.0f, 0.0f, 0.0f,
};
// clang-format on

// Truncation toward zero of a double that may lie far outside the int range (or be NaN).
std::int32_t truncToInt(double x) {
    if (!(x > -1e9)) return x != x ? 0 : -1000000000;
    if (x > 1e9) return 1000000000;
    return static_cast<std::int32_t>(x);
}

}  // namespace

const ParameterDescriptor& parameterDescriptor(std::int32_t index) {
    return kTable[std::clamp(index, 0, kNumParams - 1)];
}

float initialProgramValue(std::int32_t index) {
    return kInitialValues[std::clamp(index, 0, kNumParams - 1)];
}

std::int32_t voiceCountFromValue(float v) {
    return std::clamp(truncToInt(static_cast<double>(v) * 31.0 + kTenth) + 1, 1, 32);
}

void formatParameterDisplay(DisplayKind kind, float v, char* out) {
    constexpr std::size_t kOut = 16;
    const double x = static_cast<double>(v);
    switch (kind) {
        case D::kVoiceCount:
            std::snprintf(out, kOut, "%02d", voiceCountFromValue(v));
            break;
        case D::kPercent:
            std::snprintf(out, kOut, "%d", truncToInt(x * 100.0));
            break;
        case D::kOffOrPercent: {
            std::int32_t n = truncToInt(x * 100.0);
            if (n == 0) {
                std::snprintf(out, kOut, "OFF");
            } else {
                std::snprintf(out, kOut, "%03d", n);
            }
            break;
        }
        case D::kSemitones:
            std::snprintf(out, kOut, "%d", truncToInt((x - 0.5) * 96.0));
            break;
        case D::kUnisonCount: {
            std::int32_t n = shapeFromValue(v);
            if (n == 0) {
                std::snprintf(out, kOut, "OFF");
            } else {
                std::snprintf(out, kOut, "%02d", n + 1);
            }
            break;
        }
        case D::kShapeNumber:
            std::snprintf(out, kOut, "%d", shapeFromValue(v) + 1);
            break;
        case D::kVowelName:
            std::snprintf(out, kOut, "%s", vowelName(v));
            break;
    }
}

}  // namespace sorvella
