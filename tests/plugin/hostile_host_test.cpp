// What careless hosts and automation lanes do to the instrument through the VST 2 interface.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tests/plugin/plugin_fixture.h"
#include "tests/plugin/signal_analysis.h"
#include "tests/plugin/test_host.h"

namespace sorvella::test {
namespace {

// A vowel morph switched between its ends every 64 frames, with no note sounding, gave the
// resonators new coefficients while they kept their state, until they ran away to Inf and NaN
// for good. Each case ran away within 2.1 seconds. (The growth before the guard clears the
// state is finite and stays: the guard changes no sample below its level.)
TEST(HostileAutomation, AMorphSwitchedEvery64FramesStaysFinite) {
    struct Case {
        float rate;
        std::int32_t morph;  // the parameter switched, or -1 for controller 36 by MIDI
        std::vector<std::pair<std::int32_t, float>> setUp;
    };
    const Case cases[] = {
        {44100.0f, kVowel2Morph, {}},
        {44100.0f, -1, {}},
        {48000.0f, kVowel2Morph, {{kFormantsL, 1.0f}, {kVowel2Start, 0.25f}, {kVowel2End, 0.25f}}},
        {96000.0f, kVowel1Morph, {}},
        {192000.0f, kVowel2Morph, {{kVowel2Start, 0.0f}, {kVowel2End, 0.25f}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "parameter " << c.morph << " at " << c.rate << " Hz");
        TestHost host;
        ASSERT_TRUE(openStarted(host, c.rate));
        for (const auto& [parameter, value] : c.setUp)
            host.setParameter(parameter, value);
        std::size_t nonFinite = 0;
        const std::int64_t steps = frames(2.5, c.rate) / 64;
        for (std::int64_t step = 0; step < steps; ++step) {
            const bool high = step % 2 == 1;
            if (c.morph >= 0) {
                host.setParameter(c.morph, high ? 1.0f : 0.0f);
            } else {
                host.sendEvents({controlChange(36, high ? 127 : 0)});
            }
            nonFinite += countNonFinite(host.process(64));
        }
        EXPECT_EQ(nonFinite, 0u);
    }
}

}  // namespace
}  // namespace sorvella::test
