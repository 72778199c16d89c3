// Formant filter banks: five parallel two-pole resonators, each with zeros at +-sqrt(c) that
// make its gain at the centre frequency exactly 1/(1 - c) before the output gain.
#pragma once

#include <array>
#include <cstddef>

#include "engine/formant_data.h"
#include "engine/simd.h"
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

    void resetState();

    // Response of resonator k; 0 for an index outside the bank.
    float responseMagnitude(int k, float w) const;

    std::array<Resonator, kFormantCount> resonators{};
};

#if SORVELLA_SSE2

// Two banks: resonators 0..3 of each side by side, and the two fifth resonators in lanes 0 and 1
// of a third vector (lanes 2 and 3 idle at zero coefficients).
class FormantBankPair {
  public:
    FormantBankPair(FormantBank& one, FormantBank& two) : one_(one), two_(two) {
        load(one.resonators, 0, first_);
        load(two.resonators, 0, second_);
        const Resonator& e = one.resonators[4];
        const Resonator& g = two.resonators[4];
        fifths_.zeroCoef = _mm_setr_ps(e.zeroCoef, g.zeroCoef, 0.0f, 0.0f);
        fifths_.a1 = _mm_setr_ps(e.a1, g.a1, 0.0f, 0.0f);
        fifths_.a2 = _mm_setr_ps(e.a2, g.a2, 0.0f, 0.0f);
        fifths_.outGain = _mm_setr_ps(e.outGain, g.outGain, 0.0f, 0.0f);
        fifths_.x1 = _mm_setr_ps(e.x1, g.x1, 0.0f, 0.0f);
        fifths_.x2 = _mm_setr_ps(e.x2, g.x2, 0.0f, 0.0f);
        fifths_.y1 = _mm_setr_ps(e.y1, g.y1, 0.0f, 0.0f);
        fifths_.y2 = _mm_setr_ps(e.y2, g.y2, 0.0f, 0.0f);
    }

    // Both banks' outputs in lanes 0 and 1.
    SORVELLA_ALWAYS_INLINE __m128 step(float x1, float x2) {
        const __m128 in1 = _mm_set1_ps(x1);
        const __m128 in2 = _mm_set1_ps(x2);
        const __m128 o1 = first_.step(in1);
        const __m128 o2 = second_.step(in2);
        const __m128 o5 = fifths_.step(_mm_unpacklo_ps(in1, in2));
        // Each bank's five outputs added in formant order, both banks at once.
        const __m128 lo = _mm_unpacklo_ps(o1, o2);  // r0, r0', r1, r1'
        const __m128 hi = _mm_unpackhi_ps(o1, o2);  // r2, r2', r3, r3'
        __m128 sum = _mm_add_ps(lo, _mm_movehl_ps(lo, lo));
        sum = _mm_add_ps(sum, hi);
        sum = _mm_add_ps(sum, _mm_movehl_ps(hi, hi));
        return _mm_add_ps(sum, o5);
    }

    void finish() {
        store(first_, one_.resonators, 0);
        store(second_, two_.resonators, 0);
        alignas(16) float v[4][4];
        _mm_store_ps(v[0], fifths_.x1);
        _mm_store_ps(v[1], fifths_.x2);
        _mm_store_ps(v[2], fifths_.y1);
        _mm_store_ps(v[3], fifths_.y2);
        Resonator* fifth[2] = {&one_.resonators[4], &two_.resonators[4]};
        for (std::size_t b = 0; b < 2; ++b) {
            fifth[b]->x1 = v[0][b];
            fifth[b]->x2 = v[1][b];
            fifth[b]->y1 = v[2][b];
            fifth[b]->y2 = v[3][b];
        }
    }

  private:
    // Four resonators, one per lane, doing exactly the operations of Resonator::process().
    struct Lanes {
        __m128 zeroCoef;
        __m128 a1;
        __m128 a2;
        __m128 outGain;
        __m128 x1;
        __m128 x2;
        __m128 y1;
        __m128 y2;

        SORVELLA_ALWAYS_INLINE __m128 step(__m128 x) {
            __m128 y = _mm_sub_ps(x, _mm_mul_ps(zeroCoef, x2));
            y = _mm_add_ps(y, _mm_mul_ps(a1, y1));
            y = _mm_sub_ps(y, _mm_mul_ps(a2, y2));
            y = _mm_add_ps(y, _mm_set1_ps(1e-24f));
            x2 = x1;
            x1 = x;
            y2 = y1;
            y1 = y;
            return _mm_mul_ps(y, outGain);
        }
    };

    static void load(const std::array<Resonator, kFormantCount>& r, std::size_t k, Lanes& l) {
        l.zeroCoef =
            _mm_setr_ps(r[k].zeroCoef, r[k + 1].zeroCoef, r[k + 2].zeroCoef, r[k + 3].zeroCoef);
        l.a1 = _mm_setr_ps(r[k].a1, r[k + 1].a1, r[k + 2].a1, r[k + 3].a1);
        l.a2 = _mm_setr_ps(r[k].a2, r[k + 1].a2, r[k + 2].a2, r[k + 3].a2);
        l.outGain = _mm_setr_ps(r[k].outGain, r[k + 1].outGain, r[k + 2].outGain, r[k + 3].outGain);
        l.x1 = _mm_setr_ps(r[k].x1, r[k + 1].x1, r[k + 2].x1, r[k + 3].x1);
        l.x2 = _mm_setr_ps(r[k].x2, r[k + 1].x2, r[k + 2].x2, r[k + 3].x2);
        l.y1 = _mm_setr_ps(r[k].y1, r[k + 1].y1, r[k + 2].y1, r[k + 3].y1);
        l.y2 = _mm_setr_ps(r[k].y2, r[k + 1].y2, r[k + 2].y2, r[k + 3].y2);
    }

    static void store(const Lanes& l, std::array<Resonator, kFormantCount>& r, std::size_t k) {
        alignas(16) float v[4][4];
        _mm_store_ps(v[0], l.x1);
        _mm_store_ps(v[1], l.x2);
        _mm_store_ps(v[2], l.y1);
        _mm_store_ps(v[3], l.y2);
        for (std::size_t i = 0; i < 4; ++i) {
            r[k + i].x1 = v[0][i];
            r[k + i].x2 = v[1][i];
            r[k + i].y1 = v[2][i];
            r[k + i].y2 = v[3][i];
        }
    }

    FormantBank& one_;
    FormantBank& two_;
    Lanes first_;
    Lanes second_;
    Lanes fifths_;
};

#endif

// Apply operation of a vowel parameter: a value selecting a table row loads that row into the
// set; the slot is then recomputed from the set. Returns the value the parameter keeps.
float selectVowel(MyFormantData& set, FormantBank& slot, float value, float invFs);

}  // namespace sorvella
