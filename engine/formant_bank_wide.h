// Both formant banks over a run in AVX2 registers: resonators 0..3 of the two banks interleaved
// in one 256-bit vector (bank 1's resonator k in lane 2k, bank 2's in lane 2k + 1), and the two
// fifth resonators in lanes 0 and 1 of a 128-bit one. Every lane does exactly the operations of
// Resonator::process(), so the samples are those of FormantBankPair.
#pragma once

#include "engine/formant_bank.h"
#include "engine/simd.h"

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
    [[gnu::target("avx2"), gnu::always_inline]] __m128 step(const float* in) {
        const __m256 x = broadcastPair(in);
        const __m256 x2 = broadcastPair(in - 4);
        __m256 y = _mm256_sub_ps(x, _mm256_mul_ps(zeroCoef_, x2));
        y = _mm256_add_ps(y, _mm256_mul_ps(a1_, y1_));
        y = _mm256_sub_ps(y, _mm256_mul_ps(a2_, y2_));
        y = _mm256_add_ps(y, _mm256_set1_ps(1e-24f));
        y2_ = y1_;
        y1_ = y;
        const __m256 o = _mm256_mul_ps(y, outGain_);

        // Lanes 2 and 3 of the fifths see an input but have zero coefficients and gain.
        const __m128 fx = _mm256_castps256_ps128(x);
        __m128 f = _mm_sub_ps(fx, _mm_mul_ps(fifthZeroCoef_, _mm256_castps256_ps128(x2)));
        f = _mm_add_ps(f, _mm_mul_ps(fifthA1_, fifthY1_));
        f = _mm_sub_ps(f, _mm_mul_ps(fifthA2_, fifthY2_));
        f = _mm_add_ps(f, _mm_set1_ps(1e-24f));
        fifthY2_ = fifthY1_;
        fifthY1_ = f;

        // Each bank's five outputs added in formant order, both banks at once.
        const __m128 lo = _mm256_castps256_ps128(o);
        const __m128 hi = _mm256_extractf128_ps(o, 1);
        __m128 sum = _mm_add_ps(lo, _mm_movehl_ps(lo, lo));
        sum = _mm_add_ps(sum, hi);
        sum = _mm_add_ps(sum, _mm_movehl_ps(hi, hi));
        return _mm_add_ps(sum, _mm_mul_ps(f, fifthOutGain_));
    }

    // Hands the state back; `last` points at the run's last input pair.
    [[gnu::target("avx2")]] void finish(const float* last) {
        alignas(32) float y1[8];
        alignas(32) float y2[8];
        alignas(16) float f1[4];
        alignas(16) float f2[4];
        _mm256_store_ps(y1, y1_);
        _mm256_store_ps(y2, y2_);
        _mm_store_ps(f1, fifthY1_);
        _mm_store_ps(f2, fifthY2_);
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
    [[gnu::target("avx2")]] __m256 lanes(float Resonator::*field) const {
        const auto& r = one_.resonators;
        const auto& q = two_.resonators;
        return _mm256_setr_ps(r[0].*field, q[0].*field, r[1].*field, q[1].*field, r[2].*field,
                              q[2].*field, r[3].*field, q[3].*field);
    }

    // One field of both fifth resonators.
    __m128 fifths(float Resonator::*field) const {
        return _mm_setr_ps(one_.resonators[4].*field, two_.resonators[4].*field, 0.0f, 0.0f);
    }

    [[gnu::target("avx2"), gnu::always_inline]] static __m256 broadcastPair(const float* at) {
        return _mm256_castpd_ps(_mm256_broadcast_sd(reinterpret_cast<const double*>(at)));
    }

    FormantBank& one_;
    FormantBank& two_;
    __m256 zeroCoef_;
    __m256 a1_;
    __m256 a2_;
    __m256 outGain_;
    __m256 y1_;
    __m256 y2_;
    __m128 fifthZeroCoef_;
    __m128 fifthA1_;
    __m128 fifthA2_;
    __m128 fifthOutGain_;
    __m128 fifthY1_;
    __m128 fifthY2_;
};

}  // namespace sorvella

#endif
