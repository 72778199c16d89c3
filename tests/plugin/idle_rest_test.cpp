// Idle instances rest: hosts keep many instruments loaded and silent.
#include <gtest/gtest.h>

#include "tests/plugin/plugin_fixture.h"
#include "tests/plugin/signal_analysis.h"
#include "tests/plugin/test_host.h"

namespace sorvella::test {
namespace {

// Once every sample has stayed below 2^-60 for a second with no voice sounding, the output is
// exact zeros; a note then sounds as from a fresh instance.
TEST(PluginIdleRest, AQuietInstanceRestsUntilTheNextNote) {
    for (float rate : {44100.0f, 96000.0f}) {
        SCOPED_TRACE(rate);
        TestHost host, fresh;
        ASSERT_TRUE(openStarted(host, rate) && openStarted(fresh, rate));
        // The filters' guards against denormals keep a silent chain's output just above zero.
        const Stereo waking = host.play({}, frames(1.0, rate) - 512);
        EXPECT_GT(peak(waking, waking.frames() - 512), 0.0f);
        EXPECT_LT(peak(waking), 0x1p-60f);
        const Stereo resting = host.play({}, frames(2.0, rate));
        EXPECT_EQ(peak(resting, frames(0.1, rate)), 0.0f);

        const Score note = {{0, noteOn(60, 100)}, {frames(0.2, rate), noteOff(60)}};
        const Stereo woken = host.play(note, frames(0.5, rate));
        // Only the control interval's phase differs from the fresh instance's.
        EXPECT_LT(relativeDifference(woken, fresh.play(note, frames(0.5, rate))), 1e-4);
        EXPECT_GT(peak(woken), 1e-3f);
    }
}

}  // namespace
}  // namespace sorvella::test
