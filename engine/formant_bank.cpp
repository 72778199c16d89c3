#include "engine/formant_bank.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "engine/runaway.h"

namespace sorvella {

namespace {

float finiteOr(float v, float fallback) {
    return std::isfinite(v) ? v : fallback;
}

}  // namespace

void Resonator::setFormant(float frequency, float bandwidth, float level, float invFs) {
    setFrequency(frequency, invFs);
    setBandwidth(bandwidth, invFs);
    setLevel(level);
}

void Resonator::setFrequency(float frequency, float invFs) {
    const double f = finiteOr(frequency, MyFormantData::kDefaultFrequency);
    // The angle is formed in double and rounded to single precision before the cosine.
    const auto angle = static_cast<float>(2.0 * std::numbers::pi * f * static_cast<double>(invFs));
    const float c =
        std::isfinite(angle) ? static_cast<float>(std::cos(static_cast<double>(angle))) : 1.0f;
    cosTheta = std::clamp(c, -kMaxCosTheta, kMaxCosTheta);
    updateCoefficients();
}

void Resonator::setBandwidth(float bandwidth, float invFs) {
    const float b = finiteOr(bandwidth, MyFormantData::kDefaultBandwidth);
    const float r = std::exp(-std::numbers::pi_v<float> * b * invFs);
    // A negative bandwidth would put the pole outside the unit circle.
    radius = std::isfinite(r) ? std::min(r, 1.0f) : 1.0f;
    updateCoefficients();
}

void Resonator::setLevel(float level) {
    const float l = std::min(finiteOr(level, MyFormantData::kDefaultLevel), kMaxLevelDb);
    gain = std::pow(10.0f, l * 0.05f);
    updateCoefficients();
}

void Resonator::setSharpness(float m) {
    sharpness = finiteOr(m, 1.0f);
    updateCoefficients();
}

void Resonator::updateCoefficients() {
    const float c = radius * sharpness;
    zeroCoef = c > 0.0f ? std::min(c, kMaxZeroCoef) : 0.0f;
    outGain = (1.0f - zeroCoef) * gain;
    a1 = 2.0f * zeroCoef * cosTheta;
    a2 = zeroCoef * zeroCoef;
}

float Resonator::responseMagnitude(float w) const {
    const float omega = w * 3.1415927f;
    const float c = zeroCoef;
    const float cos1 = std::cos(omega);
    const float sin1 = std::sin(omega);
    const float cos2 = std::cos(2.0f * omega);
    const float sin2 = std::sin(2.0f * omega);
    const float numerator = c * c - 2.0f * c * cos2 + 1.0f;
    const float re = 1.0f - 2.0f * c * cosTheta * cos1 + c * c * cos2;
    const float im = 2.0f * c * cosTheta * sin1 - c * c * sin2;
    return std::sqrt(numerator / (re * re + im * im)) * outGain;
}

void FormantBank::computeFromSet(const MyFormantData& set, float invFs) {
    for (std::size_t k = 0; k < resonators.size(); ++k) {
        resonators[k].setFormant(set.frequencies[k], set.bandwidths[k], set.levels[k], invFs);
    }
}

void FormantBank::morph(const FormantBank& start, const FormantBank& end, float p) {
    const float t = p > 0.0f ? std::min(p, 1.0f) : 0.0f;
    for (std::size_t k = 0; k < resonators.size(); ++k) {
        const Resonator& s = start.resonators[k];
        const Resonator& e = end.resonators[k];
        Resonator& r = resonators[k];
        if (t == 1.0f) {
            // s + (e - s) * 1 can miss e by a rounding step; the end vowel must be exact.
            r.cosTheta = e.cosTheta;
            r.radius = e.radius;
            r.gain = e.gain;
        } else {
            r.cosTheta = s.cosTheta + (e.cosTheta - s.cosTheta) * t;
            r.radius = s.radius + (e.radius - s.radius) * t;
            r.gain = s.gain + (e.gain - s.gain) * t;
        }
        r.updateCoefficients();
    }
}

void FormantBank::setSharpness(float value) {
    const float m = value * 0.0025f + 1.0f;
    for (Resonator& r : resonators)
        r.setSharpness(m);
}

void FormantBank::resetState() {
    for (Resonator& r : resonators)
        r.resetState();
}

bool FormantBank::clearIfRunaway() {
    for (const Resonator& r : resonators) {
        if (isRunaway(r.x1) || isRunaway(r.x2) || isRunaway(r.y1) || isRunaway(r.y2)) {
            resetState();
            return true;
        }
    }
    return false;
}

float FormantBank::responseMagnitude(int k, float w) const {
    if (k < 0 || k >= kFormantCount) return 0.0f;
    return resonators[static_cast<std::size_t>(k)].responseMagnitude(w);
}

float selectVowel(MyFormantData& set, FormantBank& slot, float value, float invFs) {
    const int n = vowelSelection(value);
    if (n < kVowelCount) set.loadVowel(kVowelTable[static_cast<std::size_t>(n)]);
    slot.computeFromSet(set, invFs);
    return static_cast<float>(n) * 0.01f;
}

}  // namespace sorvella
