// What a voice does with settings and notes it should never get. Its samples through every path
// are compared with the reference voice in voice_exact_test.cpp.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "engine/voice.h"
#include "tests/engine/voice_fixture.h"

namespace sorvella::testing {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// Renders a voice alone for `frames` samples; false if any sample is not finite or beyond limit.
bool rendersBounded(MyNote& voice, int frames, float limit) {
    std::vector<float> out(3 * static_cast<std::size_t>(frames), 0.0f);
    MyNote::renderRun(&voice, out.data(), out.data() + frames, out.data() + 2 * frames, frames);
    for (float x : out) {
        if (!(std::fabs(x) < limit)) return false;
    }
    return true;
}

TEST(VoiceBadInput, NoiseCutoffsWithoutAFilterStayBounded) {
    for (float cutoff : {0.0f, -0.2f, kNaN, 1e-45f}) {
        VoiceWorld w;
        w.ctx.noiseCutoff = cutoff;
        MyNote v(w.ctx);
        v.start(60, 100);
        EXPECT_EQ(v.noiseFilter().b, 1.0f) << cutoff;
        EXPECT_TRUE(rendersBounded(v, 20000, 2.0f)) << cutoff;
    }
}

}  // namespace
}  // namespace sorvella::testing
