#include "tools/factory_bank/program_values.h"

#include <algorithm>

namespace sorvella::factory {

float polyphony(std::int32_t voices) {
    return static_cast<float>(std::clamp(voices, 1, 32) - 1) / 31.0f;
}

float osc2Semitones(std::int32_t semitones) {
    // The apply operation truncates (v - 0.5) * 96 towards zero.
    const std::int32_t s = std::clamp(semitones, -48, 48);
    const float half = s > 0 ? 0.5f : s < 0 ? -0.5f : 0.0f;
    return std::clamp(0.5f + (static_cast<float>(s) + half) / 96.0f, 0.0f, 1.0f);
}

float unisonCopies(std::int32_t copies) {
    return static_cast<float>(std::clamp(copies, 1, 8) - 1) * 0.14f;
}

float waveShape(std::int32_t shape) {
    return static_cast<float>(std::clamp(shape, 1, 8) - 1) * 0.14f;
}

float vowel(Vowel row) {
    return static_cast<float>(row) * 0.01f;
}

void applyValues(MyVsti& instrument, const ProgramValues& v) {
    const float values[kNumParams] = {
        v.voices,      v.level,         v.osc2Detune,   v.mix1,        v.mix2,
        v.mixBreath,   v.velTime,       v.velLevel,     v.velBreath,   v.chorusSpeed,
        v.chorusDepth, v.reverbLength,  v.reverbMix,    v.unisonNotes, v.unisonDetune,
        v.vowel1Start, v.vowel1End,     v.vowel1Morph,  v.vowel2Start, v.vowel2End,
        v.vowel2Morph, v.granularLevel, v.granularTime, v.formantsL,   v.noiseColor,
        v.osc1Shape,   v.osc2Shape,     v.osc1Fm,       v.osc2Fm,
    };
    for (std::int32_t i = 0; i < kNumParams; ++i)
        instrument.setParameter(i, values[i]);
}

}  // namespace sorvella::factory
