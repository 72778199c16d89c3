#include "engine/voice_params.h"

#include <gtest/gtest.h>

#include <limits>

#include "engine/tables.h"
#include "tests/engine/voice_fixture.h"

namespace sorvella::testing {
namespace {

TEST(VoiceParams, Osc2DetuneSemitonesAndRatio) {
    VoiceWorld w;
    const float* nf = noteFrequencyTable();
    EXPECT_EQ(osc2Semitones(0.625f), 12);
    EXPECT_EQ(osc2Semitones(0.5f), 0);
    EXPECT_EQ(osc2Semitones(0.0f), -48);
    EXPECT_EQ(osc2Semitones(1.0f), 48);
    EXPECT_EQ(osc2Semitones(0.49f), 0);  // toward zero
    EXPECT_EQ(osc2Semitones(0.51f), 0);
    EXPECT_NEAR(osc2Ratio(12, nf), 2.0f, 2e-5f);  // the table's semitones are a hair wide
    EXPECT_EQ(osc2Ratio(12, nf), nf[12] / nf[0]);
    EXPECT_EQ(osc2Ratio(0, nf), 1.0f);
    EXPECT_EQ(osc2Ratio(-48, nf), nf[52] / nf[100]);
    EXPECT_NEAR(osc2Ratio(-48, nf), 0.0625f, 2e-6f);
    EXPECT_EQ(osc2Ratio(7, nullptr), 1.0f);
}

TEST(VoiceParams, Osc2DetuneFromOutsideTheRangeStaysInTheTable) {
    VoiceWorld w;
    const float* nf = noteFrequencyTable();
    EXPECT_EQ(osc2Semitones(1.5f), 48);
    EXPECT_EQ(osc2Semitones(-3.0f), -48);
    EXPECT_EQ(osc2Semitones(std::numeric_limits<float>::infinity()), 48);
    EXPECT_EQ(osc2Semitones(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(osc2Ratio(200, nf), osc2Ratio(48, nf));
    EXPECT_EQ(osc2Ratio(-200, nf), osc2Ratio(-48, nf));
}

TEST(VoiceParams, NoiseColourFmAndGrain) {
    const float invFs = 1.0f / 44100.0f;
    EXPECT_EQ(noiseCutoff(0.0f, invFs), 0.1f * 18000.0f * invFs);
    EXPECT_EQ(noiseCutoff(1.0f, invFs), (0.9f + 0.1f) * 18000.0f * invFs);
    EXPECT_NEAR(noiseCutoff(1.0f, invFs) * 44100.0f, 18000.0f, 0.01f);
    EXPECT_EQ(fmAmount(1.0f), -0.25f);
    EXPECT_EQ(grainAmount(0.5f), 0.999f * 0.5f);
}

}  // namespace
}  // namespace sorvella::testing
