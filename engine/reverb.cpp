#include "engine/reverb.h"

#include <algorithm>

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
    // The run's reads are the slots from each line's read index on, wrapping at its end after
    // `split` of them; four samples at a time go from one row per line to one vector per sample.
    const float* data[kReverbLines];
    const float* head[kReverbLines];
    int split[kReverbLines];
    for (std::size_t i = 0; i < kReverbLines; ++i) {
        const DelayLine& line = unit.lines_[i];
        data[i] = line.data();
        head[i] = line.data() + line.readIndex();
        split[i] =
            static_cast<int>(std::min<std::size_t>(line.size() - line.readIndex(), kEffectsPiece));
    }
    auto read = [&](std::size_t i, int n) {
        return n < split[i] ? head[i][n] : data[i][n - split[i]];
    };
    int n = 0;
    for (; n + 4 <= count; n += 4) {
        __m128 row[kReverbLines];
        for (std::size_t i = 0; i < kReverbLines; ++i) {
            if (n + 4 <= split[i]) {
                row[i] = _mm_loadu_ps(head[i] + n);
            } else if (n >= split[i]) {
                row[i] = _mm_loadu_ps(data[i] + (n - split[i]));
            } else {
                row[i] = _mm_setr_ps(read(i, n), read(i, n + 1), read(i, n + 2), read(i, n + 3));
            }
        }
        __m128 r0 = row[0];
        __m128 r1 = row[1];
        __m128 r2 = row[2];
        __m128 r3 = _mm_setzero_ps();
        _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
        reads_[n] = r0;
        reads_[n + 1] = r1;
        reads_[n + 2] = r2;
        reads_[n + 3] = r3;
    }
    for (; n < count; ++n)
        reads_[n] = _mm_setr_ps(read(0, n), read(1, n), read(2, n), 0.0f);
    states_[0] = s_;
    for (int j = count + 1; j < ((count + 4) & ~3); ++j)
        states_[j] = _mm_setzero_ps();
}

void ReverbUnit::Piece::finish(const float* in, float* out) {
    const int count = count_;
    if (!batched_) {
        for (int n = 0; n < count; ++n)
            out[n] = unit_.process(in[n]);
        return;
    }
    // Four states at a time turned into one vector per filter. Line i is fed +s_i and -s_j for
    // the others, summed in filter order: s1 - s0 is -s0 + s1 exactly, and -(s0 + s1) is
    // -s0 + -s1, so these are process()'s values.
    alignas(16) float sums[kEffectsPiece + 4];
    alignas(16) float feeds[kReverbLines][kEffectsPiece + 4];
    const __m128 gain = _mm_set1_ps(-0.45f);
    for (int j = 0; j <= count; j += 4) {
        __m128 s0 = states_[j];
        __m128 s1 = states_[j + 1];
        __m128 s2 = states_[j + 2];
        __m128 s3 = states_[j + 3];
        _MM_TRANSPOSE4_PS(s0, s1, s2, s3);
        const __m128 s01 = _mm_add_ps(s0, s1);
        _mm_store_ps(sums + j, _mm_add_ps(s01, s2));
        _mm_store_ps(feeds[0] + j, _mm_mul_ps(_mm_sub_ps(_mm_sub_ps(s0, s1), s2), gain));
        _mm_store_ps(feeds[1] + j, _mm_mul_ps(_mm_sub_ps(_mm_sub_ps(s1, s0), s2), gain));
        _mm_store_ps(feeds[2] + j, _mm_mul_ps(_mm_sub_ps(s2, s01), gain));
    }
    // Sample n is fed from the states before it and puts out the sum of the states after it.
    for (std::size_t i = 0; i < kReverbLines; ++i)
        unit_.lines_[i].writeSums(feeds[i], in, static_cast<std::size_t>(count));
    for (int n = 0; n < count; ++n)
        out[n] = sums[n + 1];
    alignas(16) float s[4];
    _mm_store_ps(s, s_);
    for (std::size_t i = 0; i < kReverbLines; ++i)
        unit_.s_[i] = s[i];
}

#endif

}  // namespace sorvella
