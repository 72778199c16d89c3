// Formant filter banks: five parallel two-pole resonators, each with zeros at +-sqrt(c) that
// make its gain at the centre frequency exactly 1/(1 - c) before the output gain.
#pragma once

#include <array>
#include <cstddef>

#include "engine/formant_data.h"
#include "engine/vowel_table.h"

namespace sorvella {

// Pole radii at or above 1 would make a resonator ring forever (a narrow bandwidth at full
// "Formants L", or a high sample rate) or grow (a negative bandwidth). 0.9999 still rings for
// about 10000 samples. Centre-angle cosines stay this far inside +-1 so that single-precision
// rounding of a1 and a2 can never put a real pole outside the unit circle.
inline constexpr float kMaxZeroCoef = 0.9999f;
inline constexpr float kMaxCosTheta = 0.999999f;
// Bounds a formant level so that its linear gain stays finite.
inline constexpr float kMaxLevelDb = 60.0f;

struct Resonator {
    float cosTheta = 1.0f;
    float radius = 0.0f;
    float gain = 1.0f;
    float sharpness = 1.0f;
    float zeroCoef = 0.0f;
    float a1 = 0.0f;
    float a2 = 0.0f;
    float outGain = 1.0f;
    float x1 = 0.0f;
    float x2 = 0.0f;
    float y1 = 0.0f;
    float y2 = 0.0f;

    // Each setter recomputes the coefficients that depend on it. Non-finite inputs fall back
    // to the formant set's defaults.
    void setFormant(float frequency, float bandwidth, float level, float invFs);
    void setFrequency(float frequency, float invFs);
    void setBandwidth(float bandwidth, float invFs);
    void setLevel(float level);
    void setSharpness(float m);
    // zeroCoef, outGain, a1 and a2 from cosTheta, radius, sharpness and gain.
    void updateCoefficients();

    float process(float x) {
        const float y = x - zeroCoef * x2 + a1 * y1 - a2 * y2 + 1e-24f;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y * outGain;
    }

    void resetState() { x1 = x2 = y1 = y2 = 0.0f; }

    // Magnitude of the response at w, a fraction of the Nyquist frequency.
    float responseMagnitude(float w) const;
};

class FormantBank {
  public:
    // A vowel slot's coefficients from its formant set (the slot's sharpness stays as it is).
    void computeFromSet(const MyFormantData& set, float invFs);

    // Interpolates cosTheta, radius and linear gain between two slots at p (0 = start,
    // 1 = end, clamped to that range so the bank can never leave the stable region), keeping
    // this bank's sharpness and filter state.
    void morph(const FormantBank& start, const FormantBank& end, float p);

    // The "Formants L" value v gives the pole multiplier v * 0.0025 + 1.
    void setSharpness(float value);

    float process(float x) {
        float sum = resonators[0].process(x);
        for (std::size_t k = 1; k < resonators.size(); ++k)
            sum += resonators[k].process(x);
        return sum;
    }

    // The same sequence over a run of samples; out may be in.
    void processBlock(const float* in, float* out, int count) {
        for (int n = 0; n < count; ++n)
            out[n] = process(in[n]);
    }

    void resetState();

    // Response of resonator k; 0 for an index outside the bank.
    float responseMagnitude(int k, float w) const;

    std::array<Resonator, kFormantCount> resonators{};
};

// Apply operation of a vowel parameter: a value selecting a table row loads that row into the
// set; the slot is then recomputed from the set. Returns the value the parameter keeps.
float selectVowel(MyFormantData& set, FormantBank& slot, float value, float invFs);

}  // namespace sorvella
