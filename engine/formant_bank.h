// Formant filter banks: five parallel two-pole resonators, each with zeros at +-sqrt(c) that
// make its gain at the centre frequency exactly 1/(1 - c) before the output gain.
#pragma once

#include <array>
#include <cstddef>
#include <type_traits>

#include "engine/formant_data.h"
#include "engine/lanes.h"
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

// One resonator's recursion, y = x − c·x2 + a1·y1 − a2·y2 + 1e−24 added left to right, on one
// float or one resonator per lane of any lane type (its output is then y·outGain).
template <class V>
SORVELLA_ALWAYS_INLINE V resonate(V x, V x2, V y1, V y2, V zeroCoef, V a1, V a2) {
    const V tiny = [] {
        if constexpr (std::is_same_v<V, float>) {
            return 1e-24f;
        } else {
            return V::splat(1e-24f);
        }
    }();
    return x - zeroCoef * x2 + a1 * y1 - a2 * y2 + tiny;
}

// Both banks' sums from the outputs of resonators 0..3 interleaved by bank (lo: r0, r0', r1, r1';
// hi: r2, r2', r3, r3') and of the two fifth resonators: each bank's five outputs added in
// formant order, both banks at once, in lanes 0 and 1.
SORVELLA_ALWAYS_INLINE F32x4 bankSums(F32x4 lo, F32x4 hi, F32x4 fifths) {
    F32x4 sum = lo + highHalves(lo, lo);
    sum = sum + hi;
    sum = sum + highHalves(hi, hi);
    return sum + fifths;
}

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
        const float y = resonate(x, x2, y1, y2, zeroCoef, a1, a2);
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
    // Clears the state when a resonator has run away (see engine/runaway.h); true when it did.
    bool clearIfRunaway();

    // Response of resonator k; 0 for an index outside the bank.
    float responseMagnitude(int k, float w) const;

    std::array<Resonator, kFormantCount> resonators{};
};

// Two banks: resonators 0..3 of each side by side, and the two fifth resonators in lanes 0 and 1
// of a third vector (lanes 2 and 3 idle at zero coefficients).
class FormantBankPair {
  public:
    FormantBankPair(FormantBank& one, FormantBank& two) : one_(one), two_(two) {
        const auto& r = one.resonators;
        const auto& q = two.resonators;
        first_ = Lanes::of([&r](float Resonator::*field) {
            return F32x4::of(r[0].*field, r[1].*field, r[2].*field, r[3].*field);
        });
        second_ = Lanes::of([&q](float Resonator::*field) {
            return F32x4::of(q[0].*field, q[1].*field, q[2].*field, q[3].*field);
        });
        fifths_ = Lanes::of([&r, &q](float Resonator::*field) {
            return F32x4::of(r[4].*field, q[4].*field, 0.0f, 0.0f);
        });
    }

    // Both banks' outputs in lanes 0 and 1.
    SORVELLA_ALWAYS_INLINE F32x4 step(float x1, float x2) {
        const F32x4 in1 = F32x4::splat(x1);
        const F32x4 in2 = F32x4::splat(x2);
        const F32x4 o1 = first_.step(in1);
        const F32x4 o2 = second_.step(in2);
        const F32x4 o5 = fifths_.step(zipLow(in1, in2));
        return bankSums(zipLow(o1, o2), zipHigh(o1, o2), o5);
    }

    void finish() {
        auto& r = one_.resonators;
        auto& q = two_.resonators;
        first_.storeInto({&r[0], &r[1], &r[2], &r[3]});
        second_.storeInto({&q[0], &q[1], &q[2], &q[3]});
        fifths_.storeInto({&r[4], &q[4], nullptr, nullptr});
    }

  private:
    // Four resonators, one per lane, doing exactly the operations of Resonator::process().
    struct Lanes {
        F32x4 zeroCoef;
        F32x4 a1;
        F32x4 a2;
        F32x4 outGain;
        F32x4 x1;
        F32x4 x2;
        F32x4 y1;
        F32x4 y2;

        template <class Gather>
        static Lanes of(Gather gather) {
            return {gather(&Resonator::zeroCoef), gather(&Resonator::a1), gather(&Resonator::a2),
                    gather(&Resonator::outGain),  gather(&Resonator::x1), gather(&Resonator::x2),
                    gather(&Resonator::y1),       gather(&Resonator::y2)};
        }

        SORVELLA_ALWAYS_INLINE F32x4 step(F32x4 x) {
            const F32x4 y = resonate(x, x2, y1, y2, zeroCoef, a1, a2);
            x2 = x1;
            x1 = x;
            y2 = y1;
            y1 = y;
            return y * outGain;
        }

        // Each lane's state back into its resonator (none for idle lanes).
        void storeInto(const std::array<Resonator*, 4>& to) const {
            alignas(16) float v[4][4];
            x1.store(v[0]);
            x2.store(v[1]);
            y1.store(v[2]);
            y2.store(v[3]);
            for (std::size_t k = 0; k < 4; ++k) {
                if (to[k] == nullptr) continue;
                to[k]->x1 = v[0][k];
                to[k]->x2 = v[1][k];
                to[k]->y1 = v[2][k];
                to[k]->y2 = v[3][k];
            }
        }
    };

    FormantBank& one_;
    FormantBank& two_;
    Lanes first_;
    Lanes second_;
    Lanes fifths_;
};

// Apply operation of a vowel parameter: a value selecting a table row loads that row into the
// set; the slot is then recomputed from the set. Returns the value the parameter keeps.
float selectVowel(MyFormantData& set, FormantBank& slot, float value, float invFs);

}  // namespace sorvella
