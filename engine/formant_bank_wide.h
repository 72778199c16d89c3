// Both formant banks over a run in AVX2 registers: resonators 0..3 of the two banks interleaved
// in one eight-lane vector (bank 1's resonator k in lane 2k, bank 2's in lane 2k + 1), and the two
// fifth resonators in lanes 0 and 1 of a four-lane one. Every lane runs resonate(), as
// Resonator::process() does, so the samples are those of FormantBankPair.
#pragma once

#include "engine/formant_bank.h"
#include "engine/lanes8.h"

#if SORVELLA_WIDE_VECTORS

namespace sorvella {

// The input comes as pairs (bank 1's sample, bank 2's sample), two pairs of history first:
// in[-4..-1] are the banks' last two inputs. Every resonator of a bank takes the same input, so
// the history is the bank's, not the resonator's.
class FormantBankPairWide {
  public:
    [[gnu::target("avx2")]] FormantBankPairWide(FormantBank& one, FormantBank& two)
        : one_(one), two_(two) {
        zeroCoef_ = lanes(&Resonator::zeroCoef);
        a1_ = lanes(&Resonator::a1);
        a2_ = lanes(&Resonator::a2);
        outGain_ = lanes(&Resonator::outGain);
        y1_ = lanes(&Resonator::y1);
        y2_ = lanes(&Resonator::y2);
        fifthZeroCoef_ = fifths(&Resonator::zeroCoef);
        fifthA1_ = fifths(&Resonator::a1);
        fifthA2_ = fifths(&Resonator::a2);
        fifthOutGain_ = fifths(&Resonator::outGain);
        fifthY1_ = fifths(&Resonator::y1);
        fifthY2_ = fifths(&Resonator::y2);
    }

    // The history the input pairs start with.
    void history(float* pairs) const {
        pairs[0] = one_.resonators[0].x2;
        pairs[1] = two_.resonators[0].x2;
        pairs[2] = one_.resonators[0].x1;
        pairs[3] = two_.resonators[0].x1;
    }

    // Both banks' outputs for the input pair at `in`, in lanes 0 and 1.
    [[gnu::target("avx2"), gnu::always_inline]] F32x4 step(const float* in) {
        const F32x8 x = broadcastPair(in);
        const F32x8 x2 = broadcastPair(in - 4);
        const F32x8 y = resonate(x, x2, y1_, y2_, zeroCoef_, a1_, a2_);
        y2_ = y1_;
        y1_ = y;
        const F32x8 o = y * outGain_;

        // Lanes 2 and 3 of the fifths see an input but have zero coefficients and gain.
        const F32x4 f =
            resonate(x.low(), x2.low(), fifthY1_, fifthY2_, fifthZeroCoef_, fifthA1_, fifthA2_);
        fifthY2_ = fifthY1_;
        fifthY1_ = f;
        return bankSums(o.low(), o.high(), f * fifthOutGain_);
    }

    // Hands the state back; `last` points at the run's last input pair.
    [[gnu::target("avx2")]] void finish(const float* last) {
        alignas(32) float y1[8];
        alignas(32) float y2[8];
        alignas(16) float f1[4];
        alignas(16) float f2[4];
        y1_.store(y1);
        y2_.store(y2);
        fifthY1_.store(f1);
        fifthY2_.store(f2);
        FormantBank* banks[2] = {&one_, &two_};
        for (std::size_t b = 0; b < 2; ++b) {
            auto& r = banks[b]->resonators;
            for (std::size_t k = 0; k < 4; ++k) {
                r[k].y1 = y1[2 * k + b];
                r[k].y2 = y2[2 * k + b];
            }
            r[4].y1 = f1[b];
            r[4].y2 = f2[b];
            for (Resonator& res : r) {
                res.x1 = last[b];
                res.x2 = (last - 2)[b];
            }
        }
    }

  private:
    // One field of resonators 0..3 of both banks, interleaved.
    [[gnu::target("avx2")]] F32x8 lanes(float Resonator::*field) const {
        const auto& r = one_.resonators;
        const auto& q = two_.resonators;
        return F32x8::halves(F32x4::of(r[0].*field, q[0].*field, r[1].*field, q[1].*field),
                             F32x4::of(r[2].*field, q[2].*field, r[3].*field, q[3].*field));
    }

    // One field of both fifth resonators.
    F32x4 fifths(float Resonator::*field) const {
        return F32x4::of(one_.resonators[4].*field, two_.resonators[4].*field, 0.0f, 0.0f);
    }

    // The pair at `at` in every pair of lanes.
    [[gnu::target("avx2"), gnu::always_inline]] static F32x8 broadcastPair(const float* at) {
        return {_mm256_castpd_ps(_mm256_broadcast_sd(reinterpret_cast<const double*>(at)))};
    }

    FormantBank& one_;
    FormantBank& two_;
    F32x8 zeroCoef_;
    F32x8 a1_;
    F32x8 a2_;
    F32x8 outGain_;
    F32x8 y1_;
    F32x8 y2_;
    F32x4 fifthZeroCoef_;
    F32x4 fifthA1_;
    F32x4 fifthA2_;
    F32x4 fifthOutGain_;
    F32x4 fifthY1_;
    F32x4 fifthY2_;
};

}  // namespace sorvella

#endif
