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

TEST(VoiceBadInput, NotesVelocitiesAndSettingsOutOfRange) {
    VoiceWorld w;
    EXPECT_EQ(w.ctx.noiseSeed, 1000u);  // the shared noise generator's start
    MyNote v(w.ctx);
    v.start(200, 300);
    EXPECT_EQ(v.note, 127);
    EXPECT_EQ(v.velocity, 127);
    v.start(-5, -1);
    EXPECT_EQ(v.note, 0);
    EXPECT_EQ(v.velocity, 0);

    // Settings that are not numbers count as zero.
    w.ctx.unisonDetune = kNaN;
    w.ctx.velTime = kNaN;
    w.ctx.velLevel = std::numeric_limits<float>::infinity();
    w.ctx.velBreath = kNaN;
    w.ctx.granularTime = kNaN;
    w.ctx.unisonSetting = 99;
    v.start(60, 100);
    EXPECT_EQ(v.unisonCount(), 8);
    EXPECT_EQ(v.timeScale(), 1.0f);
    EXPECT_EQ(v.oscLevel(), 0.125f);
    EXPECT_EQ(v.breathLevel(), 1.0f);
    EXPECT_EQ(v.granular().length(), static_cast<std::int32_t>(0.01f * 44100.0f));
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(v.freq1()[k], v.freq1()[0]);
    EXPECT_TRUE(rendersBounded(v, 4000, 100.0f));

    w.ctx.unisonSetting = -3;
    w.ctx.granularTime = 1e30f;
    v.start(60, 100);
    EXPECT_EQ(v.unisonCount(), 1);
    EXPECT_EQ(v.granular().length(), GranularLine::kMaxLength);
    w.ctx.granularTime = -1.0f;  // the shortest line, of one slot
    v.start(60, 100);
    EXPECT_EQ(v.granular().length(), 1);
    EXPECT_TRUE(rendersBounded(v, 4000, 100.0f));
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
