#include "engine/chorus.h"

#include <algorithm>
#include <cmath>

namespace sorvella {

namespace {

// The tap oscillators swing a little beyond unit amplitude between two renormalisations; the
// sweep is bounded with this much room to spare.
constexpr float kSweepHeadroom = 1.1f;
// Far above any chorus rate; keeps the oscillators close to circular and well away from the
// recursion's limit of 2.
constexpr float kMaxOscillatorCoef = 0.05f;

}  // namespace

void ChorusUnit::create(float fs) {
    const std::size_t n = delayLineLength(fs, 0.0115f);
    lineA_.create(n);
    lineB_.create(n);
    const float d0 = fs * 0.01f;
    const auto longest = static_cast<float>(n - 1);
    baseDelay_ = d0 > 0.0f ? std::min(d0, longest) : 0.0f;
    boundDepths();
    reset();
}

void ChorusUnit::reset() {
    lineA_.clear();
    lineB_.clear();
    oscX_.fill(1.0f);
    oscY_.fill(0.0f);
    out_.fill(0.0f);
}

void ChorusUnit::setSpeed(float value, float halfInvFs) {
    const float w = (value + 0.05f) * 2.0f * 3.1415926f * halfInvFs;
    for (std::size_t i = 0; i < k_.size(); ++i) {
        const float omega = w * constants_.rateMultipliers[i];
        const float k = 2.0f * std::sin(omega / 2.0f);
        k_[i] = std::isfinite(k) ? std::clamp(k, -kMaxOscillatorCoef, kMaxOscillatorCoef) : 0.0f;
    }
}

void ChorusUnit::setDepth(float value, float fs) {
    const float d = (value * 0.95f + 0.05f) * fs;
    for (std::size_t i = 0; i < wantedDepth_.size(); ++i) {
        wantedDepth_[i] = d * constants_.depthFactors[i];
    }
    boundDepths();
}

void ChorusUnit::controlUpdate() {
    for (std::size_t i = 0; i < oscX_.size(); ++i) {
        const float g = 1.5f - 0.5f * (oscX_[i] * oscX_[i] + oscY_[i] * oscY_[i]);
        oscX_[i] = oscX_[i] * g;
        oscY_[i] = oscY_[i] * g;
    }
}

// Every swept delay must stay between one sample and the line's length less one, so that
// readAt stays inside the line for any parameter value and any order of setDepth and create.
void ChorusUnit::boundDepths() {
    const auto longest = static_cast<float>(lineA_.size() - 1);
    const float room = std::max(0.0f, std::min(baseDelay_ - 1.0f, longest - baseDelay_));
    const float limit = room / kSweepHeadroom;
    for (std::size_t i = 0; i < depth_.size(); ++i) {
        const float wanted = wantedDepth_[i];
        depth_[i] = std::isfinite(wanted) ? std::clamp(wanted, -limit, limit) : 0.0f;
    }
}

}  // namespace sorvella
