#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "tools/factory_bank/program_figures.h"
#include "tools/factory_bank/signal_measures.h"

namespace sorvella::factory {
namespace {

StereoSignal sine(double hz, double amplitude, std::size_t frames) {
    StereoSignal s;
    for (std::size_t i = 0; i < frames; ++i) {
        const double v = amplitude * std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(i) /
                                              kSampleRate);
        s.left.push_back(static_cast<float>(v));
        s.right.push_back(static_cast<float>(v));
    }
    return s;
}

TEST(SignalMeasuresTest, TransformPutsACosineIntoItsTwoBins) {
    std::vector<double> re(64), im(64, 0.0);
    for (std::size_t i = 0; i < re.size(); ++i)
        re[i] = std::cos(2.0 * std::numbers::pi * 5.0 * static_cast<double>(i) / 64.0);
    fft(re, im);
    for (std::size_t k = 0; k < re.size(); ++k) {
        const double magnitude = std::hypot(re[k], im[k]);
        EXPECT_NEAR(magnitude, k == 5 || k == 59 ? 32.0 : 0.0, 1e-9) << k;
    }
}

TEST(SignalMeasuresTest, LevelsOfASine) {
    const StereoSignal s = sine(1000.0, 0.5, 44100);
    EXPECT_NEAR(peakLevel(s, 0, s.size()), 0.5f, 1e-4f);
    EXPECT_NEAR(rmsLevel(s, 0, s.size()), 0.5 / std::numbers::sqrt2, 1e-4);
    EXPECT_DOUBLE_EQ(toDecibels(1.0), 0.0);
    EXPECT_DOUBLE_EQ(toDecibels(0.0), -200.0);
    EXPECT_NEAR(toDecibels(0.1), -20.0, 1e-12);
}

TEST(SignalMeasuresTest, SpectrumOfASineSitsAtItsFrequencyAndBand) {
    const StereoSignal s = sine(1000.0, 0.5, 44100);
    const Spectrum spectrum = averagedSpectrum(s, 0, s.size(), kSampleRate);
    const double bin = kSampleRate / 4096.0;
    EXPECT_NEAR(spectrum.centroidHz, 1000.0, bin);
    EXPECT_NEAR(spectrum.strongestHz, 1000.0, bin);
    EXPECT_GT(spectrum.bandShare[2], 0.999);  // 600..1200 Hz
    double total = 0.0;
    for (double share : spectrum.bandShare)
        total += share;
    EXPECT_NEAR(total, 1.0, 1e-12);
}

TEST(SignalMeasuresTest, FiguresOfARampedHeldAndDecayingTone) {
    // 100 ms linear rise, held until 2 s, then falling 60 dB per second; whole periods fit the
    // 5 ms windows of the loudness contour.
    StereoSignal s = sine(2205.0, 0.5, static_cast<std::size_t>(5.0 * kSampleRate));
    const auto release = static_cast<std::size_t>(kHoldSeconds * kSampleRate);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        double gain = std::min(1.0, t / 0.1);
        if (i >= release) gain = std::pow(10.0, -3.0 * (t - kHoldSeconds));
        s.left[i] = static_cast<float>(s.left[i] * gain);
        s.right[i] = static_cast<float>(s.right[i] * gain);
    }
    const Figures f = measure(s);
    EXPECT_NEAR(f.peak, 0.5f, 1e-3f);
    EXPECT_NEAR(f.attackMs, 70.0, 5.1);  // -3 dB of a straight rise
    EXPECT_NEAR(f.releaseDb, 0.0, 0.1);
    EXPECT_NEAR(f.decaySeconds, 1.0, 0.011);
    EXPECT_NEAR(f.wobbleDb, 0.0, 0.05);
    EXPECT_NEAR(f.spectrum.strongestHz, 2205.0, kSampleRate / 4096.0);
}

TEST(SignalMeasuresTest, ADecayThatOutlastsTheRenderIsReportedSo) {
    const StereoSignal s = sine(441.0, 0.5, static_cast<std::size_t>(3.0 * kSampleRate));
    const Figures f = measure(s);
    EXPECT_LT(f.decaySeconds, 0.0);
    EXPECT_LT(f.ringSeconds, 0.0);
}

}  // namespace
}  // namespace sorvella::factory
