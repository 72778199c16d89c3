// Both reverb units over a piece in AVX2 registers: the six damping filters side by side in one
// 256-bit vector, the left unit's in lanes 0..2 and the right unit's in lanes 4..6 (lanes 3 and 7
// idle at zero coefficients). Every lane does exactly the operations of ReverbUnit::process().
#pragma once

#include "engine/lanes8.h"
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
    [[gnu::target("avx2")]] F32x8 states() const { return s_; }

    [[gnu::target("avx2"), gnu::always_inline]] F32x8 step(int n, F32x8 s) {
        s = reverb_lanes::damp(k_, s, F32x8::load(reads_[n]), a_);
        s.store(states_[n]);
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
    F32x8 k_;
    F32x8 a_;
    F32x8 s_;
    // Per sample: its six reads, and the six filter states after it.
    alignas(32) float reads_[kEffectsPiece][kLanes];
    alignas(32) float states_[kEffectsPiece][kLanes];
};

}  // namespace sorvella

#endif
