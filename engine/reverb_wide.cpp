#include "engine/reverb_wide.h"

#include <algorithm>

#if SORVELLA_WIDE_VECTORS

namespace sorvella {

namespace {

// The rows of the idle lanes.
alignas(32) constexpr float kSilence[kEffectsPiece] = {};

// All eight lanes of v at `at`, or its first `valid` lanes for the last group of a piece.
[[gnu::target("avx2"), gnu::always_inline]] inline void storeGroup(float* at, F32x8 v, int valid) {
    if (valid >= 8) {
        v.store(at);
    } else {
        v.storeFirst(at, valid);
    }
}

[[gnu::target("avx2"), gnu::always_inline]] inline F32x8 sideBySide(
    const std::array<float, kReverbLines>& left, const std::array<float, kReverbLines>& right) {
    return F32x8::halves(F32x4::of(left[0], left[1], left[2], 0.0f),
                         F32x4::of(right[0], right[1], right[2], 0.0f));
}

}  // namespace

// The unit's three lines take the piece's feeds and out its output; s[i] holds filter i's states,
// from the one before the piece on. Line i takes its feed (reverb_lanes::feeds) plus the input;
// the output is the sum of the states after each sample.
[[gnu::target("avx2")]] void ReverbUnit::WidePair::feedAndSum(ReverbUnit& unit,
                                                              const float (*s)[kStateRow],
                                                              const float* in, float* out,
                                                              int count) {
    // Straight into each line where the piece does not wrap at its end, otherwise into a copy.
    alignas(32) float copies[kReverbLines][kEffectsPiece];
    float* to[kReverbLines];
    for (std::size_t i = 0; i < kReverbLines; ++i) {
        DelayLine& line = unit.lines_[i];
        const bool straight = line.writeIndex() + static_cast<std::size_t>(count) <= line.size();
        to[i] = straight ? line.data() + line.writeIndex() : copies[i];
    }
    const float* const s0 = s[0];
    const float* const s1 = s[1];
    const float* const s2 = s[2];
    float* const to0 = to[0];
    float* const to1 = to[1];
    float* const to2 = to[2];
    for (int n = 0; n < count; n += 8) {
        const int valid = count - n;
        const F32x8 x = valid >= 8 ? F32x8::load(in + n) : F32x8::loadFirst(in + n, valid);
        F32x8 f0;
        F32x8 f1;
        F32x8 f2;
        reverb_lanes::feeds(F32x8::load(s0 + n), F32x8::load(s1 + n), F32x8::load(s2 + n), f0, f1,
                            f2);
        storeGroup(to0 + n, f0 + x, valid);
        storeGroup(to1 + n, f1 + x, valid);
        storeGroup(to2 + n, f2 + x, valid);
        const F32x8 a0 = F32x8::load(s0 + n + 1);
        const F32x8 a1 = F32x8::load(s1 + n + 1);
        const F32x8 a2 = F32x8::load(s2 + n + 1);
        storeGroup(out + n, a0 + a1 + a2, valid);
    }
    for (std::size_t i = 0; i < kReverbLines; ++i) {
        DelayLine& line = unit.lines_[i];
        if (to[i] == copies[i]) {
            line.writeRun(copies[i], static_cast<std::size_t>(count));
        } else {
            line.advance(static_cast<std::size_t>(count));
        }
    }
}

bool ReverbUnit::WidePair::fits(const ReverbUnit& left, const ReverbUnit& right, int count) {
    if (count < 1 || count > kEffectsPiece) return false;
    for (std::size_t i = 0; i < kReverbLines; ++i) {
        if (static_cast<std::size_t>(count) >= left.lines_[i].size()) return false;
        if (static_cast<std::size_t>(count) >= right.lines_[i].size()) return false;
    }
    return true;
}

ReverbUnit::WidePair::WidePair(ReverbUnit& left, ReverbUnit& right, int count)
    : left_(left), right_(right), count_(count) {
    take();
}

[[gnu::target("avx2")]] void ReverbUnit::WidePair::take() {
    const ReverbUnit& left = left_;
    const ReverbUnit& right = right_;
    const int count = count_;
    k_ = sideBySide(left.k_, right.k_);
    a_ = sideBySide(left.a_, right.a_);
    s_ = sideBySide(left.s_, right.s_);

    // The reads line by line, in groups of eight samples: straight from the line where the
    // piece's reads and the group beyond them lie before its end, otherwise from a copy padded
    // with silence. Lanes of samples beyond the piece are never used.
    const int padded = (count + kLanes - 1) / kLanes * kLanes;
    alignas(32) float copies[2 * kReverbLines][kEffectsPiece];
    const float* rows[kLanes];
    const auto rowOf = [&](const DelayLine& line, float* copy) -> const float* {
        if (line.readIndex() + static_cast<std::size_t>(padded) <= line.size())
            return line.data() + line.readIndex();
        line.peekReads(copy, static_cast<std::size_t>(count));
        std::fill(copy + count, copy + padded, 0.0f);
        return copy;
    };
    for (std::size_t i = 0; i < kReverbLines; ++i) {
        rows[i] = rowOf(left.lines_[i], copies[i]);
        rows[kRightLane + i] = rowOf(right.lines_[i], copies[kReverbLines + i]);
    }
    rows[kReverbLines] = kSilence;
    rows[kRightLane + kReverbLines] = kSilence;
    for (int n = 0; n < padded; n += kLanes) {
        F32x8 r[kLanes];
        for (int j = 0; j < kLanes; ++j)
            r[j] = F32x8::load(rows[j] + n);
        transpose8(r);
        for (int j = 0; j < kLanes; ++j)
            r[j].store(reads_[n + j]);
    }
}

[[gnu::target("avx2")]] void ReverbUnit::WidePair::finish(const float* in, float* outL,
                                                          float* outR) {
    const int count = count_;
    const int padded = (count + kLanes - 1) / kLanes * kLanes;
    for (int n = count; n < padded; ++n)
        F32x8::zero().store(states_[n]);
    alignas(32) float lanes[kLanes][kStateRow];
    for (std::size_t i = 0; i < kReverbLines; ++i) {
        lanes[i][0] = left_.s_[i];
        lanes[kRightLane + i][0] = right_.s_[i];
    }
    for (int n = 0; n < padded; n += kLanes) {
        F32x8 r[kLanes];
        for (int j = 0; j < kLanes; ++j)
            r[j] = F32x8::load(states_[n + j]);
        transpose8(r);
        for (int j = 0; j < kLanes; ++j)
            r[j].store(lanes[j] + n + 1);
    }
    feedAndSum(left_, lanes, in, outL, count);
    feedAndSum(right_, lanes + kRightLane, in, outR, count);
    for (std::size_t i = 0; i < kReverbLines; ++i) {
        left_.s_[i] = lanes[i][count];
        right_.s_[i] = lanes[kRightLane + i][count];
    }
}

}  // namespace sorvella

#endif
