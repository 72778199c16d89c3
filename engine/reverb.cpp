#include "engine/reverb.h"

#include <algorithm>

#include "engine/runaway.h"

namespace sorvella {

namespace {

// A cutoff of about 1.6e-7 cycles per sample; keeps k and a finite however small the cutoff.
constexpr float kMaxDampingK = 1.0e6f;

}  // namespace

void ReverbUnit::create(float fs) {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        lines_[i].create(delayLineLength(fs, constants_.lineTimes[i]));
    }
    reset();
}

void ReverbUnit::reset() {
    for (DelayLine& line : lines_)
        line.clear();
    s_.fill(0.0f);
}

bool ReverbUnit::clearIfRunaway() {
    for (float s : s_) {
        if (isRunaway(s)) {
            reset();
            return true;
        }
    }
    return false;
}

void ReverbUnit::setLength(float value, float halfInvFs) {
    // Below 0 the cutoff would reach zero and turn negative, where the filters grow.
    const float v = value >= 0.0f ? value : 0.0f;
    const float c = (v * 1.9f + 0.1f) * 11025.0f * halfInvFs;
    for (std::size_t i = 0; i < k_.size(); ++i) {
        float k = 0.15915494f / (c * constants_.cutoffFactors[i]);
        if (!(k >= 0.0f)) k = 0.0f;
        k_[i] = std::min(k, kMaxDampingK);
        a_[i] = 1.0f / (k_[i] + 1.0f);
    }
}

#if SORVELLA_SSE2

ReverbUnit::Piece::Piece(ReverbUnit& unit, int count)
    : unit_(unit),
      count_(count),
      k_(_mm_setr_ps(unit.k_[0], unit.k_[1], unit.k_[2], 0.0f)),
      a_(_mm_setr_ps(unit.a_[0], unit.a_[1], unit.a_[2], 0.0f)),
      s_(_mm_setr_ps(unit.s_[0], unit.s_[1], unit.s_[2], 0.0f)) {
    batched_ = count >= 0 && count <= kEffectsPiece;
    for (const DelayLine& line : unit.lines_)
        batched_ = batched_ && static_cast<std::size_t>(count) < line.size();
    if (!batched_) return;
    for (std::size_t i = 0; i < kReverbLines; ++i) {
        unit.lines_[i].peekReads(reads_[i], static_cast<std::size_t>(count));
        states_[i][0] = unit.s_[i];
    }
}

void ReverbUnit::writeFromStates(const float* const* s, const float* in, float* out, int count) {
    // Sample n is fed from the states before it and puts out the sum of the states after it.
    // Line i is fed +s_i and -s_j for the others, summed in filter order: s1 - s0 is -s0 + s1
    // exactly, and -(s0 + s1) is -s0 + -s1, so these are process()'s values.
    alignas(16) float feeds[kReverbLines][kEffectsPiece];
    const float* s0 = s[0];
    const float* s1 = s[1];
    const float* s2 = s[2];
    const __m128 gain = _mm_set1_ps(-0.45f);
    int n = 0;
    for (; n + 4 <= count; n += 4) {
        const __m128 b0 = _mm_load_ps(s0 + n);
        const __m128 b1 = _mm_load_ps(s1 + n);
        const __m128 b2 = _mm_load_ps(s2 + n);
        const __m128 b01 = _mm_add_ps(b0, b1);
        _mm_store_ps(feeds[0] + n, _mm_mul_ps(_mm_sub_ps(_mm_sub_ps(b0, b1), b2), gain));
        _mm_store_ps(feeds[1] + n, _mm_mul_ps(_mm_sub_ps(_mm_sub_ps(b1, b0), b2), gain));
        _mm_store_ps(feeds[2] + n, _mm_mul_ps(_mm_sub_ps(b2, b01), gain));
    }
    for (; n < count; ++n) {
        feeds[0][n] = ((s0[n] - s1[n]) - s2[n]) * -0.45f;
        feeds[1][n] = ((s1[n] - s0[n]) - s2[n]) * -0.45f;
        feeds[2][n] = (s2[n] - (s0[n] + s1[n])) * -0.45f;
    }
    for (std::size_t i = 0; i < kReverbLines; ++i)
        lines_[i].writeSums(feeds[i], in, static_cast<std::size_t>(count));
    for (n = 0; n + 4 <= count; n += 4) {
        const __m128 a0 = _mm_loadu_ps(s0 + n + 1);
        const __m128 a1 = _mm_loadu_ps(s1 + n + 1);
        const __m128 a2 = _mm_loadu_ps(s2 + n + 1);
        _mm_storeu_ps(out + n, _mm_add_ps(_mm_add_ps(a0, a1), a2));
    }
    for (; n < count; ++n)
        out[n] = (s0[n + 1] + s1[n + 1]) + s2[n + 1];
}

void ReverbUnit::Piece::finish(const float* in, float* out) {
    const int count = count_;
    if (!batched_) {
        for (int n = 0; n < count; ++n)
            out[n] = unit_.process(in[n]);
        return;
    }
    const float* const states[kReverbLines] = {states_[0], states_[1], states_[2]};
    unit_.writeFromStates(states, in, out, count);
    alignas(16) float s[4];
    _mm_store_ps(s, s_);
    for (std::size_t i = 0; i < kReverbLines; ++i)
        unit_.s_[i] = s[i];
}

#endif

}  // namespace sorvella
