#include "engine/reverb_wide.h"

#include <algorithm>

#if SORVELLA_WIDE_VECTORS

#include "engine/simd.h"

namespace sorvella {

namespace {

// The rows of the idle lanes.
alignas(32) constexpr float kSilence[kEffectsPiece] = {};

// All eight lanes of v at `at`, or its first `valid` lanes for the last group of a piece
// (masked stores and loads are slow, so only that group takes them).
[[gnu::target("avx2"), gnu::always_inline]] inline void storeGroup(float* at, __m256 v, int valid) {
    if (valid >= 8) {
        _mm256_storeu_ps(at, v);
    } else {
        _mm256_maskstore_ps(at, simd::firstLanes(valid), v);
    }
}

[[gnu::target("avx2"), gnu::always_inline]] inline __m256 sideBySide(
    const std::array<float, kReverbLines>& left, const std::array<float, kReverbLines>& right) {
    return _mm256_setr_ps(left[0], left[1], left[2], 0.0f, right[0], right[1], right[2], 0.0f);
}

}  // namespace

// The unit's three lines take the piece's feeds and out its output; s[i] holds filter i's states,
// from the one before the piece on. Line i is fed +s_i and -s_j for the others, summed in filter
// order, times the feedback gain, plus the input: s1 - s0 is -s0 + s1 exactly, and -(s0 + s1)
// is -s0 + -s1, so these are process()'s values. The output is the sum of the states after each
// sample.
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
    const __m256 gain = _mm256_set1_ps(-0.45f);
    for (int n = 0; n < count; n += 8) {
        const int valid = count - n;
        const __m256 x = valid >= 8 ? _mm256_loadu_ps(in + n)
                                    : _mm256_maskload_ps(in + n, simd::firstLanes(valid));
        const __m256 b0 = _mm256_loadu_ps(s0 + n);
        const __m256 b1 = _mm256_loadu_ps(s1 + n);
        const __m256 b2 = _mm256_loadu_ps(s2 + n);
        const __m256 f0 = _mm256_sub_ps(_mm256_sub_ps(b0, b1), b2);
        const __m256 f1 = _mm256_sub_ps(_mm256_sub_ps(b1, b0), b2);
        const __m256 f2 = _mm256_sub_ps(b2, _mm256_add_ps(b0, b1));
        storeGroup(to0 + n, _mm256_add_ps(_mm256_mul_ps(f0, gain), x), valid);
        storeGroup(to1 + n, _mm256_add_ps(_mm256_mul_ps(f1, gain), x), valid);
        storeGroup(to2 + n, _mm256_add_ps(_mm256_mul_ps(f2, gain), x), valid);
        const __m256 a0 = _mm256_loadu_ps(s0 + n + 1);
        const __m256 a1 = _mm256_loadu_ps(s1 + n + 1);
        const __m256 a2 = _mm256_loadu_ps(s2 + n + 1);
        storeGroup(out + n, _mm256_add_ps(_mm256_add_ps(a0, a1), a2), valid);
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
        __m256 r[kLanes];
        for (int j = 0; j < kLanes; ++j)
            r[j] = _mm256_loadu_ps(rows[j] + n);
        simd::transpose8(r);
        for (int j = 0; j < kLanes; ++j)
            _mm256_store_ps(reads_[n + j], r[j]);
    }
}

[[gnu::target("avx2")]] void ReverbUnit::WidePair::finish(const float* in, float* outL,
                                                          float* outR) {
    const int count = count_;
    const int padded = (count + kLanes - 1) / kLanes * kLanes;
    for (int n = count; n < padded; ++n)
        _mm256_store_ps(states_[n], _mm256_setzero_ps());
    alignas(32) float lanes[kLanes][kStateRow];
    for (std::size_t i = 0; i < kReverbLines; ++i) {
        lanes[i][0] = left_.s_[i];
        lanes[kRightLane + i][0] = right_.s_[i];
    }
    for (int n = 0; n < padded; n += kLanes) {
        __m256 r[kLanes];
        for (int j = 0; j < kLanes; ++j)
            r[j] = _mm256_load_ps(states_[n + j]);
        simd::transpose8(r);
        for (int j = 0; j < kLanes; ++j)
            _mm256_storeu_ps(lanes[j] + n + 1, r[j]);
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
