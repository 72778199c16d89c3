// The 29 automatable parameters: one descriptor row each, shared by every instrument object.
#pragma once

#include <cstdint>

namespace sorvella {

class MyVsti;

inline constexpr std::int32_t kNumParams = 29;
inline constexpr std::uint8_t kNoController = 255;

enum ParameterIndex : std::int32_t {
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
};

enum class DisplayKind : std::uint8_t {
    kVoiceCount,
    kPercent,
    kOffOrPercent,
    kSemitones,
    kUnisonCount,
    kShapeNumber,
    kVowelName,
};

// Puts a value into the engine and returns the value the parameter keeps.
using ApplyOperation = float (MyVsti::*)(float value);

struct ParameterDescriptor {
    std::uint8_t defaultController;  // the controller before any saved map
    const char* name;
    const char* label;
    ApplyOperation apply;
    DisplayKind display;
    float defaultValue;
    float minValue;
    float maxValue;
    float step;
};

const ParameterDescriptor& parameterDescriptor(std::int32_t index);
inline bool isParameterIndex(std::int32_t index) {
    return index >= 0 && index < kNumParams;
}

// The value of each parameter in a newly built "Default" program.
float initialProgramValue(std::int32_t index);

// Writes the display text of value v for a display kind; out holds at least 16 bytes.
void formatParameterDisplay(DisplayKind kind, float v, char* out);

// The voice count the apply and display operations share, computed from the widened value with
// the single-precision constants 31 and 0.1 widened to double. "Unison Notes" and the shapes share
// the tables' shapeFromValue.
std::int32_t voiceCountFromValue(float v);  // 1..32

}  // namespace sorvella
