#include "engine/reverb_wide.h"

#include <algorithm>

#if SORVELLA_WIDE_VECTORS

#include "engine/simd.h"

namespace sorvella {

namespace {

// The rows of the idle lanes.
alignas(32) constexpr float kSilence[kEffectsPiece] = {};

[[gnu::target("avx2"), gnu::always_inline]] inline __m256 sideBySide(
    const std::array<float, kReverbLines>& left, const std::array<float, kReverbLines>& right) {
    return _mm256_setr_ps(left[0], left[1], left[2], 0.0f, right[0], right[1], right[2], 0.0f);
}

}  // namespace

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

    // The reads line by line, padded with silence to whole groups of eight samples.
    const int padded = (count + kLanes - 1) / kLanes * kLanes;
    alignas(32) float lines[2 * kReverbLines][kEffectsPiece];
    const float* rows[kLanes];
    for (std::size_t i = 0; i < kReverbLines; ++i) {
        float* l = lines[i];
        float* r = lines[kReverbLines + i];
        left.lines_[i].peekReads(l, static_cast<std::size_t>(count));
        right.lines_[i].peekReads(r, static_cast<std::size_t>(count));
        std::fill(l + count, l + padded, 0.0f);
        std::fill(r + count, r + padded, 0.0f);
        rows[i] = l;
        rows[kRightLane + i] = r;
    }
    rows[kReverbLines] = kSilence;
    rows[kRightLane + kReverbLines] = kSilence;
    for (int n = 0; n < padded; n += kLanes) {
        __m256 r[kLanes];
        for (int j = 0; j < kLanes; ++j)
            r[j] = _mm256_load_ps(rows[j] + n);
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
    // Per lane, the state before each sample and after the last; rows stay 32-byte aligned.
    alignas(32) float lanes[kLanes][kEffectsPiece + kLanes];
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
    const float* const left[kReverbLines] = {lanes[0], lanes[1], lanes[2]};
    const float* const right[kReverbLines] = {lanes[kRightLane], lanes[kRightLane + 1],
                                              lanes[kRightLane + 2]};
    left_.writeFromStates(left, in, outL, count);
    right_.writeFromStates(right, in, outR, count);
    for (std::size_t i = 0; i < kReverbLines; ++i) {
        left_.s_[i] = lanes[i][count];
        right_.s_[i] = lanes[kRightLane + i][count];
    }
}

}  // namespace sorvella

#endif
