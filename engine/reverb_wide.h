// Both reverb units over a piece in AVX2 registers: the six damping filters side by side in one
// 256-bit vector, the left unit's in lanes 0..2 and the right unit's in lanes 4..6 (lanes 3 and 7
// idle at zero coefficients). Every lane does exactly the operations of ReverbUnit::process().
#pragma once

#include "engine/reverb.h"

#if SORVELLA_WIDE_VECTORS

namespace sorvella {

// Like Piece, for both units at once: the reads are taken in advance and transposed so that a
// sample's six come in one load, step() runs the filters sample after sample, and finish()
// transposes the filter states back, line by line, to write the piece's feeds. Only for pieces
// shorter than every line of both units (fits()).
class ReverbUnit::WidePair {
  public:
    static bool fits(const ReverbUnit& left, const ReverbUnit& right, int count);

    WidePair(ReverbUnit& left, ReverbUnit& right, int count);

    // The filters' states before the piece. step() takes the states and returns the next ones,
    // so that the caller keeps them in a register.
    [[gnu::target("avx2"), gnu::always_inline]] __m256 states() const { return s_; }

    [[gnu::target("avx2"), gnu::always_inline]] __m256 step(int n, __m256 s) {
        const __m256 d = _mm256_load_ps(reads_[n]);
        s = _mm256_add_ps(_mm256_mul_ps(_mm256_add_ps(_mm256_mul_ps(k_, s), d), a_),
                          _mm256_set1_ps(1e-24f));
        _mm256_store_ps(states_[n], s);
        return s;
    }

    // The piece's input in (both units take the same), their outputs to outL and outR.
    void finish(const float* in, float* outL, float* outR);

  private:
    static constexpr int kLanes = 8;
    static constexpr int kRightLane = 4;

    // Per lane, the state before each sample and after the last; rows stay 32-byte aligned.
    static constexpr int kStateRow = kEffectsPiece + kLanes;

    // The filters' coefficients and states, and the piece's reads.
    void take();
    static void feedAndSum(ReverbUnit& unit, const float (*s)[kStateRow], const float* in,
                           float* out, int count);

    ReverbUnit& left_;
    ReverbUnit& right_;
    int count_;
    __m256 k_;
    __m256 a_;
    __m256 s_;
    // Per sample: its six reads, and the six filter states after it.
    alignas(32) float reads_[kEffectsPiece][kLanes];
    alignas(32) float states_[kEffectsPiece][kLanes];
};

}  // namespace sorvella

#endif
