#include "engine/reverb_wide.h"

#include <algorithm>

#if SORVELLA_WIDE_VECTORS

#include "engine/simd.h"

namespace sorvella {

namespace {

// The rows of the idle lanes.
alignas(32) constexpr float kSilence[kEffectsPiece] = {};

// Line i of a unit is fed +s_i and -s_j for the others, summed in filter order, times the
// feedback gain, plus the input: s1 - s0 is -s0 + s1 exactly, and -(s0 + s1) is -s0 + -s1, so
// these are process()'s values.
template <int kLine>
[[gnu::target("avx2"), gnu::always_inline]] inline __m256 feedOf(const float* const* s, int n,
                                                                 __m256 x) {
    const __m256 b0 = _mm256_loadu_ps(s[0] + n);
    const __m256 b1 = _mm256_loadu_ps(s[1] + n);
    const __m256 b2 = _mm256_loadu_ps(s[2] + n);
    __m256 sum;
    if constexpr (kLine == 0) {
        sum = _mm256_sub_ps(_mm256_sub_ps(b0, b1), b2);
    } else if constexpr (kLine == 1) {
        sum = _mm256_sub_ps(_mm256_sub_ps(b1, b0), b2);
    } else {
        sum = _mm256_sub_ps(b2, _mm256_add_ps(b0, b1));
    }
    return _mm256_add_ps(_mm256_mul_ps(sum, _mm256_set1_ps(-0.45f)), x);
}

// The piece's feeds of one line, written at its write index; s[i][n] is filter i's state
// before sample n.
template <int kLine>
[[gnu::target("avx2")]] void feedLine(DelayLine& line, const float* const* s, const float* in,
                                      int count) {
    const std::size_t size = line.size();
    const std::size_t w = line.writeIndex();
    const bool straight = w + static_cast<std::size_t>(count) <= size;
    alignas(32) float copy[kEffectsPiece];
    float* to = straight ? line.data() + w : copy;
    int n = 0;
    for (; n + 8 <= count; n += 8)
        _mm256_storeu_ps(to + n, feedOf<kLine>(s, n, _mm256_loadu_ps(in + n)));
    if (n < count) {
        const __m256i mask = simd::firstLanes(count - n);
        const __m256 x = _mm256_maskload_ps(in + n, mask);
        _mm256_maskstore_ps(to + n, mask, feedOf<kLine>(s, n, x));
    }
    if (!straight) {
        const std::size_t first = size - w;
        std::copy(copy, copy + first, line.data() + w);
        std::copy(copy + first, copy + count, line.data());
    }
    line.advance(static_cast<std::size_t>(count));
}

[[gnu::target("avx2"), gnu::always_inline]] inline __m256 sideBySide(
    const std::array<float, kReverbLines>& left, const std::array<float, kReverbLines>& right) {
    return _mm256_setr_ps(left[0], left[1], left[2], 0.0f, right[0], right[1], right[2], 0.0f);
}

}  // namespace

// The unit's three lines take the piece's feeds; s[i] holds line i's filter states, from the
// one before the piece on.
[[gnu::target("avx2")]] void ReverbUnit::WidePair::feedLines(ReverbUnit& unit,
                                                             const float (*s)[kStateRow],
                                                             const float* in, int count) {
    const float* const states[kReverbLines] = {s[0], s[1], s[2]};
    feedLine<0>(unit.lines_[0], states, in, count);
    feedLine<1>(unit.lines_[1], states, in, count);
    feedLine<2>(unit.lines_[2], states, in, count);
}

// The unit's output: the sum of its filter states after each sample.
[[gnu::target("avx2")]] void ReverbUnit::WidePair::addStates(const float (*s)[kStateRow],
                                                             float* out, int count) {
    int n = 0;
    for (; n + 8 <= count; n += 8) {
        const __m256 a0 = _mm256_loadu_ps(s[0] + n + 1);
        const __m256 a1 = _mm256_loadu_ps(s[1] + n + 1);
        const __m256 a2 = _mm256_loadu_ps(s[2] + n + 1);
        _mm256_storeu_ps(out + n, _mm256_add_ps(_mm256_add_ps(a0, a1), a2));
    }
    if (n < count) {
        const __m256 a0 = _mm256_loadu_ps(s[0] + n + 1);
        const __m256 a1 = _mm256_loadu_ps(s[1] + n + 1);
        const __m256 a2 = _mm256_loadu_ps(s[2] + n + 1);
        _mm256_maskstore_ps(out + n, simd::firstLanes(count - n),
                            _mm256_add_ps(_mm256_add_ps(a0, a1), a2));
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
    feedLines(left_, lanes, in, count);
    feedLines(right_, lanes + kRightLane, in, count);
    addStates(lanes, outL, count);
    addStates(lanes + kRightLane, outR, count);
    for (std::size_t i = 0; i < kReverbLines; ++i) {
        left_.s_[i] = lanes[i][count];
        right_.s_[i] = lanes[kRightLane + i][count];
    }
}

}  // namespace sorvella

#endif
