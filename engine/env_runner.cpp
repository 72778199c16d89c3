#include "engine/env_runner.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "engine/env_data.h"

namespace sorvella {

namespace {

float flushDenormal(float x) {
    return std::fabs(x) < FLT_MIN ? 0.0f : x;
}

}  // namespace

void EnvRunner::load(const MyEnvData& curve, float levelScale, float timeScale) {
    // Each field is read once, so the checks hold for the values actually used.
    const std::int32_t count =
        std::clamp(std::min(curve.pointCount(), curve.capacity()), std::int32_t{0}, kMaxSegments);
    const std::int32_t loopStart = curve.loopStart();
    const std::int32_t loopLength = curve.loopLength();
    const float* durations = curve.durations();
    const float* levels = curve.levels();
    const float* curves = curve.curves();
    const float* norms = curve.curveNorms();

    count_ = count;
    hasLoop_ = loopStart >= 0 && loopLength >= 1 && loopLength <= count - loopStart;
    loopEnd_ = hasLoop_ ? loopStart + loopLength : count;

    float previous = 0.0f;
    for (std::int32_t i = 0; i < count; ++i) {
        next_[i] = i + 1 < count ? i + 1 : kFinished;
        float samples = durations[i] * kSamplesPerMs * timeScale;
        // Written so that NaN takes the minimum too.
        if (!(samples >= kMinSegmentSamples)) samples = kMinSegmentSamples;
        samples = std::min(samples, kMaxSegmentSamples);
        samples_[i] = samples;
        target_[i] = levels[i] * levelScale;
        k_[i] = curves[i];
        norm_[i] = norms[i];
        segA_[i] = flushDenormal((target_[i] - previous) * norm_[i]);
        segB_[i] = previous - segA_[i];
        step_[i] = 1.0f / samples;
        previous = target_[i];
    }

    if (hasLoop_) {
        const std::int32_t last = loopEnd_ - 1;
        next_[last] = kLoopSlot;
        next_[kLoopSlot] = next_[loopStart];  // a one-segment loop makes the slot its own successor
        samples_[kLoopSlot] = samples_[loopStart];
        target_[kLoopSlot] = target_[last];
        k_[kLoopSlot] = k_[loopStart];
        norm_[kLoopSlot] = norm_[loopStart];
        step_[kLoopSlot] = step_[loopStart];
        segA_[kLoopSlot] = flushDenormal((target_[loopStart] - target_[last]) * norm_[kLoopSlot]);
        segB_[kLoopSlot] = target_[last] - segA_[kLoopSlot];
    }

    a_ = 0.0f;
    b_ = 0.0f;
    enter(count == 0 ? kFinished : 0);
}

void EnvRunner::enter(std::int32_t i) {
    if (i == kFinished) {
        active_ = 0;
        return;
    }
    current_ = i;
    kCur_ = k_[i];
    a_ = segA_[i];
    b_ = segB_[i];
    s_ = step_[i];
    remaining_ = static_cast<std::int32_t>(samples_[i]);
    u_ = 1.0f;
    active_ = remaining_;
    following_ = next_[i];
}

void EnvRunner::release() {
    if (active_ == 0) return;
    if (!hasLoop_ || loopEnd_ == count_) {
        fade();
        return;
    }
    const float v = a_ + b_;
    enter(loopEnd_);
    a_ = flushDenormal((target_[loopEnd_] - v) * norm_[loopEnd_]);
    b_ = v - a_;
}

void EnvRunner::fade() {
    if (active_ == 0) return;
    const float v = a_ + b_;
    following_ = kFinished;
    remaining_ = kFadeSamples;
    s_ = 0.01f;
    kCur_ = 2.0f;
    a_ = -v * 0.33333334f;
    b_ = v - a_;
    u_ = 1.0f;
    active_ = kFadeSamples;
}

}  // namespace sorvella
