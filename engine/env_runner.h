// Plays one envelope curve for one voice: a copy of the curve's segments, scaled in level and time
// at note-on, advanced one sample at a time, with a sustain loop replayed through a loop-back slot
// until release.
#pragma once

#include <cstdint>

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

}  // namespace sorvella
