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

ReverbUnit::Piece::Piece(ReverbUnit& unit, int count)
    : unit_(unit),
      count_(count),
      k_(F32x4::of(unit.k_[0], unit.k_[1], unit.k_[2], 0.0f)),
      a_(F32x4::of(unit.a_[0], unit.a_[1], unit.a_[2], 0.0f)),
      s_(F32x4::of(unit.s_[0], unit.s_[1], unit.s_[2], 0.0f)) {
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
    // Whole groups of four samples: the states after the last are padded with zeros, and the
    // output goes through a padded copy.
    alignas(16) float feeds[kReverbLines][kEffectsPiece + 4];
    alignas(16) float sums[kEffectsPiece + 4];
    const float* s0 = s[0];
    const float* s1 = s[1];
    const float* s2 = s[2];
    for (int n = 0; n < count; n += 4) {
        F32x4 f0;
        F32x4 f1;
        F32x4 f2;
        reverb_lanes::feeds(F32x4::load(s0 + n), F32x4::load(s1 + n), F32x4::load(s2 + n), f0, f1,
                            f2);
        f0.store(feeds[0] + n);
        f1.store(feeds[1] + n);
        f2.store(feeds[2] + n);
        const F32x4 a0 = F32x4::load(s0 + n + 1);
        const F32x4 a1 = F32x4::load(s1 + n + 1);
        const F32x4 a2 = F32x4::load(s2 + n + 1);
        (a0 + a1 + a2).store(sums + n);
    }
    for (std::size_t i = 0; i < kReverbLines; ++i)
        lines_[i].writeSums(feeds[i], in, static_cast<std::size_t>(count));
    std::copy(sums, sums + count, out);
}

void ReverbUnit::Piece::finish(const float* in, float* out) {
    const int count = count_;
    if (!batched_) {
        for (int n = 0; n < count; ++n)
            out[n] = unit_.process(in[n]);
        return;
    }
    // Zeros beyond the last state, up to a whole group of four.
    for (std::size_t i = 0; i < kReverbLines; ++i)
        std::fill(states_[i] + count + 1, states_[i] + std::min(count + 5, kEffectsPiece + 4),
                  0.0f);
    const float* const states[kReverbLines] = {states_[0], states_[1], states_[2]};
    unit_.writeFromStates(states, in, out, count);
    unit_.s_[0] = s_.lane<0>();
    unit_.s_[1] = s_.lane<1>();
    unit_.s_[2] = s_.lane<2>();
}

}  // namespace sorvella
