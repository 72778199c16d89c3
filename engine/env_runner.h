// Plays one envelope curve for one voice: a copy of the curve's segments, scaled in level and time
// at note-on, advanced one sample at a time, with a sustain loop replayed through a loop-back slot
// until release.
#pragma once

#include <cstdint>

#include "engine/lanes.h"

namespace sorvella {

class MyEnvData;

class EnvRunner {
  public:
    static constexpr std::int32_t kMaxSegments = 32;
    static constexpr std::int32_t kLoopSlot = kMaxSegments;
    static constexpr std::int32_t kFadeSamples = 100;
    static constexpr float kSamplesPerMs = 44.1f;  // at every sample rate
    static constexpr float kMinSegmentSamples = 50.0f;
    static constexpr float kMaxSegmentSamples = 26460000.0f;  // ten minutes at 44.1 per ms

    // Takes the first 32 points of the curve. A curve whose loop is empty or reaches outside its
    // points plays as a curve without sustain loop: it runs through its segments and ends.
    void load(const MyEnvData& curve, float levelScale, float timeScale);

    // This sample's value; a finished runner yields 0.0.
    float next() {
        if (active_ == 0) return 0.0f;
        const float f = s_ * u_;
        a_ = a_ * (1.0f + kCur_ * f);
        u_ = u_ * (1.0f - f);
        const float output = a_ + b_;
        if (--remaining_ == 0) [[unlikely]]
            enter(following_);
        return output;
    }

    // Whether the next four samples stay in the current segment (or the runner has finished).
    bool steadyForFour() const { return active_ == 0 || remaining_ > 4; }
    // How many groups of four samples in a row stay in the current segment (any number once the
    // runner has finished).
    std::int32_t steadyGroups() const { return active_ == 0 ? INT32_MAX : (remaining_ - 1) / 4; }

    class Trio;
    // Four samples of three steady runners side by side, each lane doing exactly what next()
    // does: out0[0..3], out1[0..3] and out2[0..3] receive their values.
    static void nextFour(EnvRunner& r0, EnvRunner& r1, EnvRunner& r2, float* out0, float* out1,
                         float* out2);

    // Non-zero while the runner plays: the sample count of the segment it entered last.
    std::int32_t active() const { return active_; }
    // Index of the segment being played (kLoopSlot while replaying the loop's first segment).
    std::int32_t segment() const { return current_; }

    // Leaves the sustain loop for the release segments, starting from the current value; a curve
    // whose loop runs to its last point (or that has no loop) fades out instead. A finished runner
    // stays finished.
    void release();
    // Falls from the current value to zero in exactly kFadeSamples samples, then finishes.
    void fade();

  private:
    static constexpr std::int32_t kFinished = -1;

    void enter(std::int32_t i);
    void keep(float a, float u, std::int32_t samples) {
        a_ = a;
        u_ = u;
        remaining_ -= samples;
    }

    // Per segment, loaded at note-on; index kLoopSlot replays the loop's first segment from the
    // loop's last level.
    std::int32_t next_[kMaxSegments + 1] = {};
    float samples_[kMaxSegments + 1] = {};
    float target_[kMaxSegments + 1] = {};
    float k_[kMaxSegments + 1] = {};
    float norm_[kMaxSegments + 1] = {};
    float segA_[kMaxSegments + 1] = {};
    float segB_[kMaxSegments + 1] = {};
    float step_[kMaxSegments + 1] = {};
    std::int32_t count_ = 0;
    std::int32_t loopEnd_ = 0;
    bool hasLoop_ = false;

    // The segment being played.
    std::int32_t current_ = 0;
    std::int32_t following_ = kFinished;
    std::int32_t remaining_ = 0;
    std::int32_t active_ = 0;
    float kCur_ = 0.0f;
    float a_ = 0.0f;
    float b_ = 0.0f;
    float s_ = 0.0f;
    float u_ = 1.0f;
};

// Three runners side by side in lanes 0..2 with their state in registers, for as many groups of
// four samples as steadyGroups() allows: each lane does exactly what next() does. A finished
// runner's lane runs from a = b = 0 with no step, so it yields 0.0 as next() does, and is not
// written back. finish() hands the state back.
class EnvRunner::Trio {
  public:
    Trio(EnvRunner& r0, EnvRunner& r1, EnvRunner& r2)
        : r0_(r0),
          r1_(r1),
          r2_(r2),
          on0_(r0.active_ != 0),
          on1_(r1.active_ != 0),
          on2_(r2.active_ != 0),
          s_(lanes(r0.s_, r1.s_, r2.s_, 0.0f)),
          k_(lanes(r0.kCur_, r1.kCur_, r2.kCur_, 0.0f)),
          b_(lanes(r0.b_, r1.b_, r2.b_, 0.0f)),
          a_(lanes(r0.a_, r1.a_, r2.a_, 0.0f)),
          u_(lanes(r0.u_, r1.u_, r2.u_, 1.0f)) {}

    // Four samples: out0[0..3], out1[0..3] and out2[0..3] receive the three runners' values.
    // Per sample, as in next(): f = s·u, a = a·(1 + k·f), u = u·(1 − f), value = a + b.
    SORVELLA_ALWAYS_INLINE void four(float* out0, float* out1, float* out2) {
        const F32x4 one = F32x4::splat(1.0f);
        F32x4 v[4];
        for (auto& value : v) {
            const F32x4 f = s_ * u_;
            a_ = a_ * (one + k_ * f);
            u_ = u_ * (one - f);
            value = a_ + b_;
        }
        transpose(v[0], v[1], v[2], v[3]);
        v[0].store(out0);
        v[1].store(out1);
        v[2].store(out2);
    }

    // After `samples` samples (a multiple of four).
    void finish(std::int32_t samples) {
        if (on0_) r0_.keep(a_.lane<0>(), u_.lane<0>(), samples);
        if (on1_) r1_.keep(a_.lane<1>(), u_.lane<1>(), samples);
        if (on2_) r2_.keep(a_.lane<2>(), u_.lane<2>(), samples);
    }

  private:
    F32x4 lanes(float v0, float v1, float v2, float off) const {
        return F32x4::of(on0_ ? v0 : off, on1_ ? v1 : off, on2_ ? v2 : off, off);
    }

    EnvRunner& r0_;
    EnvRunner& r1_;
    EnvRunner& r2_;
    bool on0_;
    bool on1_;
    bool on2_;
    F32x4 s_;
    F32x4 k_;
    F32x4 b_;
    F32x4 a_;
    F32x4 u_;
};

SORVELLA_ALWAYS_INLINE void EnvRunner::nextFour(EnvRunner& r0, EnvRunner& r1, EnvRunner& r2,
                                                float* out0, float* out1, float* out2) {
    Trio trio(r0, r1, r2);
    trio.four(out0, out1, out2);
    trio.finish(4);
}

}  // namespace sorvella
