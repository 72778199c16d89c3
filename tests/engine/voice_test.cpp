// The voice's behaviour from note start to finish: pitch, levels, velocity scales, release, quick
// stop, the sustain pedal, the granular comb, the noise path and what it does with bad settings.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "engine/tables.h"
#include "engine/unison_stack.h"
#include "engine/voice.h"
#include "tests/engine/voice_fixture.h"
#include "tests/engine/voice_reference.h"

namespace sorvella::testing {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

std::uint32_t bits(float v) {
    return std::bit_cast<std::uint32_t>(v);
}

struct Out {
    float osc1;
    float osc2;
    float noise;
};

// One sample of a voice alone. The paths are added to -0, which leaves every value as it is.
Out step(MyNote& v) {
    Out o{-0.0f, -0.0f, -0.0f};
    v.next = nullptr;
    MyNote::renderRun(&v, &o.osc1, &o.osc2, &o.noise, 1);
    return o;
}

// Every curve with segments of `ms` and the same shape, so all three envelopes end together.
void sameCurves(VoiceWorld& w, float ms) {
    shortenCurve(w.osc1, ms);
    shortenCurve(w.osc2, ms);
    shortenCurve(w.noise, ms);
}

TEST(VoiceStart, NoDetuneStacksSoundLikeOneCopy) {
    // Identical copies at 1/n each: two copies exactly, more within the rounding of their sum.
    std::vector<float> single;
    for (int unison : {0, 1, 3, 7}) {
        VoiceSettings s;
        s.unison = unison;
        s.detune = 0.0f;
        s.fm1 = 0.3f;
        VoiceWorld w(s);
        MyNote v(w.ctx);
        v.start(57, 90);
        for (int t = 0; t < 20000; ++t) {
            const Out o = step(v);
            const auto i = static_cast<std::size_t>(t);
            if (unison == 0) {
                single.push_back(o.osc1);
                single.push_back(o.osc2);
            } else if (unison == 1) {
                ASSERT_EQ(bits(o.osc1), bits(single[2 * i])) << t;
                ASSERT_EQ(bits(o.osc2), bits(single[2 * i + 1])) << t;
            } else {
                ASSERT_NEAR(o.osc1, single[2 * i], 1e-6f * (1.0f + std::fabs(single[2 * i])));
                ASSERT_NEAR(o.osc2, single[2 * i + 1], 1e-6f * (1.0f + std::fabs(single[2 * i])));
            }
        }
    }
}

TEST(VoiceStart, VelocityScales) {
    VoiceWorld w;
    MyNote v(w.ctx);
    w.ctx.velTime = 1.0f;
    w.ctx.velLevel = 1.0f;
    w.ctx.velBreath = 0.5f;
    w.ctx.unisonSetting = 0;
    v.start(60, 127);
    EXPECT_EQ(v.timeScale(), 1.0f / 128.0f);
    EXPECT_EQ(v.oscLevel(), 1.0f);
    EXPECT_EQ(v.breathLevel(), 1.0f);
    v.start(60, 63);
    EXPECT_EQ(v.timeScale(), 1.0f + (65.0f / 128.0f - 1.0f));
    EXPECT_EQ(v.oscLevel(), 0.5f);
    EXPECT_EQ(v.breathLevel(), 0.75f);
    w.ctx.velLevel = 0.0f;
    w.ctx.velTime = 0.0f;
    for (int velocity : {1, 64, 127}) {
        v.start(60, velocity);
        EXPECT_EQ(v.oscLevel(), 1.0f) << velocity;
        EXPECT_EQ(v.timeScale(), 1.0f) << velocity;
    }
}

TEST(VoiceStart, FastVelocityShortensSegmentsDownToFiftySamples) {
    VoiceWorld w;
    w.ctx.velTime = 1.0f;
    w.osc1.setDuration(0, 300.0f);
    w.osc2.setDuration(0, 10.0f);
    MyNote v(w.ctx);
    v.start(60, 127);
    int first1 = 0;
    int first2 = 0;
    for (int t = 1; t <= 200; ++t) {
        step(v);
        if (first1 == 0 && v.env1().segment() != 0) first1 = t;
        if (first2 == 0 && v.env2().segment() != 0) first2 = t;
    }
    EXPECT_EQ(first1, 103);  // 300 ms · 44.1 / 128
    EXPECT_EQ(first2, 50);   // 3.4 samples, raised to the minimum
}

TEST(VoiceLifecycle, QuickStopEndsInOneHundredSamplesAndStaysStopped) {
    VoiceWorld w;
    sameCurves(w, 20.0f);
    MyNote v(w.ctx);
    v.start(60, 100);
    for (int t = 0; t < 1000; ++t)
        step(v);
    const float before = v.envValue1();
    ASSERT_GT(before, 0.01f);
    v.quickStop();
    EXPECT_FALSE(v.armed);
    step(v);
    EXPECT_TRUE(v.armed);
    // A note-off of the same key during the fade must not bring the voice back.
    v.noteOff();
    for (int t = 2; t < 100; ++t) {
        step(v);
        ASSERT_FALSE(v.finished) << t;
    }
    step(v);
    EXPECT_TRUE(v.finished);
    // The fade's recurrence lands within about 1% of zero on its last sample.
    EXPECT_LT(std::fabs(v.envValue1()), 0.011f * before);
}

TEST(VoiceLifecycle, ReleaseBuffersEmptiesTheLineUntilTheNextStart) {
    VoiceWorld w;
    MyNote v(w.ctx);
    v.start(60, 100);
    const std::int32_t length = v.granular().length();
    EXPECT_EQ(length, static_cast<std::int32_t>((0.5f * 0.99f + 0.01f) * 44100.0f));
    v.releaseBuffers();
    EXPECT_EQ(v.granular().length(), 0);
    step(v);  // harmless on an emptied line
    v.start(61, 100);
    EXPECT_EQ(v.granular().length(), length);
}

// The line carries both paths: access n (osc1 of sample n/2 when n is even, osc2 when odd) reads
// what access n − (L − 1) wrote. A twin voice with no feedback gives each access's dry value.
void expectInterleaving(float fs, float granularTime, std::int32_t expectedLength) {
    VoiceSettings s;
    s.fs = fs;
    s.granularTime = granularTime;
    s.grainLevel = 0.9f;
    VoiceWorld wet(s);
    s.grainLevel = 0.0f;
    VoiceWorld dry(s);
    sameCurves(wet, 2000.0f);
    sameCurves(dry, 2000.0f);
    MyNote a(wet.ctx);
    MyNote b(dry.ctx);
    a.start(69, 100);
    b.start(69, 100);
    const std::int32_t length = a.granular().length();
    ASSERT_EQ(length, expectedLength);
    const std::size_t lag = length > 1 ? static_cast<std::size_t>(length - 1) : 1;
    std::vector<float> out;
    std::vector<float> in;
    for (int t = 0; t < 600; ++t) {
        const Out oa = step(a);
        const Out ob = step(b);
        out.insert(out.end(), {oa.osc1, oa.osc2});
        in.insert(in.end(), {ob.osc1, ob.osc2});
    }
    const float grain = 0.999f * 0.9f;
    for (std::size_t n = 0; n < out.size(); ++n) {
        const float heard = n >= lag ? out[n - lag] : 0.0f;
        ASSERT_EQ(bits(out[n]), bits(in[n] - heard * grain)) << "access " << n;
    }
}

TEST(VoiceGranular, ShortestLineIsSafe) {
    // A negative "Granular Time" from a host still gives a line of one slot; each access then
    // hears the one before it.
    expectInterleaving(44100.0f, -1.0f, 1);
}

TEST(VoiceNoise, TheSharedGeneratorStartsAt1000) {
    VoiceWorld w;
    EXPECT_EQ(w.ctx.noiseSeed, 1000u);
}

TEST(VoiceRun, FinishedVoicesAreLeftOutAndLongRunsGoInPieces) {
    // A voice that has finished (here one never started) adds nothing and draws no noise; a run
    // longer than the scratch space gives the same samples as the voice alone.
    VoiceWorld wa;
    VoiceWorld wb;
    MyNote a(wa.ctx);
    MyNote idle(wa.ctx);
    MyNote b(wb.ctx);
    a.start(60, 100);
    b.start(60, 100);
    a.next = &idle;
    EXPECT_TRUE(idle.finished);
    std::vector<float> got(3 * 1000, 0.0f);
    MyNote::renderRun(&a, got.data(), got.data() + 1000, got.data() + 2000, 1000);
    for (int t = 0; t < 1000; ++t) {
        const Out o = step(b);
        ASSERT_EQ(bits(got[static_cast<std::size_t>(t)]), bits(o.osc1)) << t;
        ASSERT_EQ(bits(got[static_cast<std::size_t>(t) + 1000]), bits(o.osc2)) << t;
        ASSERT_EQ(bits(got[static_cast<std::size_t>(t) + 2000]), bits(o.noise)) << t;
    }
    EXPECT_EQ(wa.ctx.noiseSeed, wb.ctx.noiseSeed);
}

TEST(VoiceBadInput, OutOfRangeNotesAndVelocities) {
    VoiceWorld w;
    MyNote v(w.ctx);
    v.start(200, 300);
    EXPECT_EQ(v.note, 127);
    EXPECT_EQ(v.velocity, 127);
    v.start(-5, -1);
    EXPECT_EQ(v.note, 0);
    EXPECT_EQ(v.velocity, 0);
}

TEST(VoiceBadInput, SettingsThatAreNotNumbersCountAsZero) {
    VoiceWorld w;
    w.ctx.unisonDetune = kNaN;
    w.ctx.velTime = kNaN;
    w.ctx.velLevel = std::numeric_limits<float>::infinity();
    w.ctx.velBreath = kNaN;
    w.ctx.granularTime = kNaN;
    w.ctx.unisonSetting = 99;
    MyNote v(w.ctx);
    v.start(60, 100);
    EXPECT_EQ(v.unisonCount(), 8);
    EXPECT_EQ(v.timeScale(), 1.0f);
    EXPECT_EQ(v.oscLevel(), 0.125f);
    EXPECT_EQ(v.breathLevel(), 1.0f);
    EXPECT_EQ(v.granular().length(), static_cast<std::int32_t>(0.01f * 44100.0f));
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(v.freq1()[k], v.freq1()[0]);
    w.ctx.unisonSetting = -3;
    w.ctx.granularTime = 1e30f;
    v.start(60, 100);
    EXPECT_EQ(v.unisonCount(), 1);
    EXPECT_EQ(v.granular().length(), GranularLine::kMaxLength);
}

TEST(VoiceBadInput, NoiseCutoffsWithoutAFilterStayBounded) {
    for (float cutoff : {0.0f, -0.2f, kNaN, 1e-45f}) {
        VoiceWorld w;
        w.ctx.noiseCutoff = cutoff;
        MyNote v(w.ctx);
        v.start(60, 100);
        EXPECT_EQ(v.noiseFilter().b, 1.0f) << cutoff;
        for (int t = 0; t < 20000; ++t) {
            const float n = step(v).noise;
            ASSERT_TRUE(std::isfinite(n) && std::fabs(n) < 2.0f) << cutoff << " " << t;
        }
    }
}

TEST(VoiceBadInput, MissingTablesAndCurves) {
    VoiceWorld w;
    w.ctx.waveTable1 = nullptr;
    w.ctx.waveTable2 = nullptr;
    w.ctx.noteFrequency = nullptr;
    w.ctx.curves[1] = nullptr;
    MyNote v(w.ctx);
    v.start(60, 100);
    for (int t = 0; t < 1000; ++t) {
        const Out o = step(v);
        ASSERT_EQ(o.osc1, 0.0f);
        ASSERT_EQ(o.osc2, 0.0f);
    }
    EXPECT_EQ(v.env2().active(), 0);
    // No curves at all: never armed while held, finished right after the note-off.
    w.ctx.curves[0] = w.ctx.curves[2] = nullptr;
    v.start(60, 100);
    step(v);
    EXPECT_FALSE(v.armed);
    EXPECT_FALSE(v.finished);
    v.noteOff();
    step(v);
    EXPECT_TRUE(v.finished);
}

TEST(VoiceTableRead, MatchesTheSharedReadAndWrapsAnyPhase) {
    VoiceWorld w;
    const float* t = waveTable(2);
    for (float p = -300.0f; p < 300.0f; p += 0.0137f) {
        ASSERT_EQ(bits(readStackTable(t, p)), bits(referenceRead(t, p))) << p;
    }
    for (float p : {0.0f, 0.5f, 1.0f - 1e-7f, 8191.0f / 8192.0f, -1.0f / 16384.0f, 262143.0f}) {
        EXPECT_EQ(bits(readStackTable(t, p)), bits(referenceRead(t, p))) << p;
    }
    // Beyond the integer range the index is still masked into the table.
    for (float p : {1e30f, -1e30f, kNaN, std::numeric_limits<float>::infinity()}) {
        (void)readStackTable(t, p);
    }
}

}  // namespace
}  // namespace sorvella::testing
