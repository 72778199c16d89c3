// Parameters through the host's calls: names, labels, kept values and display texts, and what
// bad indexes and bad values do.
#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <climits>
#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "tests/plugin/plugin_fixture.h"
#include "tests/plugin/signal_analysis.h"
#include "tests/plugin/test_host.h"

namespace sorvella::test {
namespace {

class PluginParameters : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(host.open()); }

    TestHost host;
};

// Values and the texts and kept values they give; counts keep n times 0.14 in double precision
// rounded to single precision, vowels their row's hundredth.
TEST_F(PluginParameters, ValuesShowTheirTextAndKeepTheirStep) {
    struct Case {
        Param parameter;
        float value;
        const char* text;
        float kept;
    };
    const Case cases[] = {
        {kVoices, 0.5f, "16", static_cast<float>(15.0 / 31.0)},
        {kVoices, 0.1f, "04", static_cast<float>(3.0 / 31.0)},  // 3.1 + 0.1 truncates to 3
        {kUnisonNotes, 0.5f, "04", static_cast<float>(3 * 0.14000000059604645)},
        {kUnisonNotes, 0.0f, "OFF", 0.0f},
        {kOsc1Shape, 0.14f, "2", static_cast<float>(0.14000000059604645)},
        {kVowel1Start, 0.22f, "Soprano I", 0.22f},
        {kVowel1Start, 0.243f, "Soprano U", 0.24f},
        {kVowel2End, 0.1f, "CounterTenor A", 0.1f},
        {kOsc2Detune, 0.0f, "-48", 0.0f},
        {kGranularLevel, 0.009f, "OFF", 0.009f},
        {kLevel, 0.35f, "34", 0.35f},  // the float nearest 0.35 lies just below it
    };
    for (const Case& c : cases) {
        host.setParameter(c.parameter, c.value);
        EXPECT_EQ(host.parameterDisplay(c.parameter), c.text) << c.parameter << " " << c.value;
        const bool vowel = c.parameter >= kVowel1Start && c.parameter <= kVowel2End;
        if (vowel) {
            EXPECT_FLOAT_EQ(host.getParameter(c.parameter), c.kept) << c.value;
        } else {
            EXPECT_EQ(host.getParameter(c.parameter), c.kept) << c.parameter << " " << c.value;
        }
    }
}

TEST_F(PluginParameters, IndexesOutsideTheTableAreHarmless) {
    const std::vector<std::int32_t> bad = {-1, 29, 30, 1000, -1000, INT_MIN, INT_MAX};
    for (std::int32_t index : bad) {
        SCOPED_TRACE(index);
        host.setParameter(index, 0.75f);
        EXPECT_TRUE(std::isfinite(host.getParameter(index)));
        for (std::int32_t opcode :
             {vst2::effGetParamName, vst2::effGetParamLabel, vst2::effGetParamDisplay})
            host.text(opcode, index);
        host.dispatch(vst2::effCanBeAutomated, index);
    }
    std::array<float, kParamCount> before{};
    for (std::int32_t index = 0; index < kParamCount; ++index) {
        before[index] = host.getParameter(index);
    }
    for (std::int32_t index : bad)
        host.setParameter(index, 0.75f);
    for (std::int32_t index = 0; index < kParamCount; ++index) {
        EXPECT_EQ(host.getParameter(index), before[index]) << index;
    }
}

// Every parameter over 0..1 in steps of 0.01: the kept value stays in range, shows a text, and
// setting the kept value again keeps the same value and text.
TEST_F(PluginParameters, SweepKeepsValuesInRangeAndTextsStable) {
    for (std::int32_t index = 0; index < kParamCount; ++index) {
        for (int step = 0; step <= 100; ++step) {
            const float value = static_cast<float>(step) / 100.0f;
            host.setParameter(index, value);
            const float kept = host.getParameter(index);
            const std::string text = host.parameterDisplay(index);
            ASSERT_TRUE(kept >= 0.0f && kept <= 1.0f) << index << " at " << value;
            EXPECT_FALSE(text.empty()) << index << " at " << value;
            EXPECT_LT(text.size(), 32u) << index << " at " << value;
            host.setParameter(index, kept);
            EXPECT_EQ(host.getParameter(index), kept) << index << " at " << value;
            EXPECT_EQ(host.parameterDisplay(index), text) << index << " at " << value;
        }
    }
}

// Values a host should not send, set while notes sound and before new ones start, then carried
// through a sample-rate change (which applies every kept value again).
class OutOfRangeValues : public ::testing::TestWithParam<std::int32_t> {};

TEST_P(OutOfRangeValues, NeverReachTheOutputAsNonFiniteSamples) {
    const std::int32_t index = GetParam();
    const float inf = std::numeric_limits<float>::infinity();
    for (float value : {-1.0f, 2.0f, std::numeric_limits<float>::quiet_NaN(), inf, -inf}) {
        SCOPED_TRACE(testing::Message() << index << " = " << value);
        TestHost host;
        ASSERT_TRUE(openStarted(host));
        Stereo out = host.play({{0, noteOn(60, 100)}, {0, noteOn(64, 127)}}, frames(0.1));
        host.setParameter(index, value);
        host.parameterDisplay(index);
        out.append(host.play({{0, noteOn(67, 90)},
                              {frames(0.2), noteOn(48, 30)},
                              {frames(0.4), pitchBend(0)},
                              {frames(0.6), noteOff(60)}},
                             frames(1.0)));
        host.suspend();
        host.setSampleRate(48000.0f);
        host.resume();
        out.append(host.play({{0, noteOn(72, 100)}, {frames(0.3), noteOff(72)}}, frames(0.5)));
        EXPECT_EQ(countNonFinite(out), 0u);
        EXPECT_LT(peak(out), 100.0f);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryParameter, OutOfRangeValues, ::testing::Range(0, 29));

// Formants L above its range pushes the narrowest resonators past a pole radius of 1; the growth
// shows only after seconds.
TEST(OutOfRangeFormants, SharpnessAboveTheRangeStaysFinite) {
    TestHost host;
    ASSERT_TRUE(openStarted(host));
    host.setParameter(kFormantsL, 2.0f);
    const Stereo out = host.play({{0, noteOn(57, 100)}}, frames(6.0), 4096);
    EXPECT_EQ(countNonFinite(out), 0u);
    EXPECT_LT(peak(out, out.frames() - frames(1.0)), 100.0f);
}

}  // namespace
}  // namespace sorvella::test
