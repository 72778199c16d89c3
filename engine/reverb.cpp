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

}  // namespace sorvella
