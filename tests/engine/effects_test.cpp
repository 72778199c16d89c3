#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "engine/chorus.h"
#include "engine/delay_line.h"
#include "engine/reverb.h"

namespace sorvella {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

class Effects : public ::testing::Test {
  protected:
    void SetUp() override { std::fesetround(FE_TONEAREST); }
};

// A deterministic noise source in -1..1.
class Noise {
  public:
    float next() {
        state_ = state_ * 1664525u + 1013904223u;
        return static_cast<float>(static_cast<std::int32_t>(state_)) * (1.0f / 2147483648.0f);
    }

  private:
    std::uint32_t state_ = 12345;
};

template <typename Unit>
std::vector<float> impulseResponse(Unit& unit, int samples) {
    std::vector<float> out(static_cast<std::size_t>(samples));
    for (int n = 0; n < samples; ++n)
        out[static_cast<std::size_t>(n)] = unit.process(n == 0 ? 1.0f : 0.0f);
    return out;
}

float peak(const std::vector<float>& v, int from, int to) {
    float p = 0.0f;
    for (int n = from; n < to; ++n)
        p = std::max(p, std::fabs(v[static_cast<std::size_t>(n)]));
    return p;
}

bool allFinite(const std::vector<float>& v) {
    for (float x : v) {
        if (!std::isfinite(x)) return false;
    }
    return true;
}

TEST_F(Effects, DelayLineLengths) {
    EXPECT_EQ(delayLineLength(44100.0f, 0.0115f), 508u);
    EXPECT_EQ(delayLineLength(96000.0f, 0.0115f), 1105u);
    EXPECT_EQ(delayLineLength(44100.0f, 0.068f), 2999u);
    EXPECT_EQ(delayLineLength(0.0f, 0.068f), 1u);
    EXPECT_EQ(delayLineLength(-44100.0f, 0.068f), 1u);
    EXPECT_EQ(delayLineLength(kNaN, 0.068f), 1u);
    EXPECT_EQ(delayLineLength(kInf, 0.068f), kMaxDelayLineLength);
    EXPECT_EQ(delayLineLength(1e30f, 0.068f), kMaxDelayLineLength);
}

TEST_F(Effects, DelayLineDelaysByLengthLessOne) {
    DelayLine line;
    line.create(5);
    EXPECT_EQ(line.size(), 5u);
    std::vector<float> out;
    for (int n = 0; n < 12; ++n) {
        line.write(n == 0 ? 1.0f : (n == 1 ? 2.0f : 0.0f));
        out.push_back(line.read());
    }
    const std::vector<float> expected = {0, 0, 0, 0, 1, 2, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(out, expected);
}

TEST_F(Effects, DelayLineInterpolatedReads) {
    DelayLine line;
    line.create(8);
    for (float v : {10.0f, 20.0f, 30.0f, 40.0f})
        line.write(v);
    // One slot back from the write index is the newest sample.
    EXPECT_EQ(line.readAt(1.0f), 40.0f);
    EXPECT_EQ(line.readAt(2.0f), 30.0f);
    EXPECT_EQ(line.readAt(1.5f), 35.0f);
    EXPECT_EQ(line.readAt(3.25f), 17.5f);
    // Wrapping backwards past slot 0 into the (silent) end of the ring.
    EXPECT_EQ(line.readAt(4.5f), 5.0f);
    EXPECT_EQ(line.readAt(7.0f), 0.0f);
    for (int n = 0; n < 6; ++n)
        line.write(static_cast<float>(n));
    // The write index has wrapped; reads still find the newest samples.
    EXPECT_EQ(line.readAt(1.0f), 5.0f);
    EXPECT_EQ(line.readAt(2.75f), 3.25f);
    line.clear();
    EXPECT_EQ(line.readAt(1.0f), 0.0f);
}

TEST_F(Effects, ChorusLineLengths) {
    ChorusUnit chorus(kChorus1);
    chorus.create(44100.0f);
    EXPECT_EQ(chorus.lineLength(), 508u);
    EXPECT_EQ(chorus.baseDelay(), 441.0f);
    chorus.create(96000.0f);
    EXPECT_EQ(chorus.lineLength(), 1105u);
    EXPECT_EQ(chorus.baseDelay(), 960.0f);
}

TEST_F(Effects, ReverbLineLengths) {
    ReverbUnit left(kReverbL);
    ReverbUnit right(kReverbR);
    left.create(44100.0f);
    right.create(44100.0f);
    EXPECT_EQ(left.lineLength(0), 2999u);
    EXPECT_EQ(left.lineLength(1), 6792u);
    EXPECT_EQ(left.lineLength(2), 12040u);
    EXPECT_EQ(right.lineLength(0), 2691u);
    EXPECT_EQ(right.lineLength(1), 6704u);
    EXPECT_EQ(right.lineLength(2), 12216u);
    left.create(96000.0f);
    right.create(96000.0f);
    EXPECT_EQ(left.lineLength(0), 6529u);
    EXPECT_EQ(left.lineLength(1), 14785u);
    EXPECT_EQ(left.lineLength(2), 26209u);
    EXPECT_EQ(right.lineLength(0), 5857u);
    EXPECT_EQ(right.lineLength(1), 14593u);
    EXPECT_EQ(right.lineLength(2), 26593u);
}

TEST_F(Effects, ChorusSpeedMapping) {
    ChorusUnit one(kChorus1);
    ChorusUnit two(kChorus2);
    one.setSpeed(1.0f, 0.5f / 44100.0f);
    two.setSpeed(1.0f, 0.5f / 44100.0f);
    // Tap rates (v + 0.05) * 0.5 * m Hz.
    const float rates1[] = {2.1f, 2.625f, 3.3075f, 2.31f};
    const float rates2[] = {2.205f, 2.7825f, 3.2025f, 2.0475f};
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(one.rate(i), 2.0 * M_PI * rates1[i] / 44100.0, 2e-9) << i;
        EXPECT_NEAR(two.rate(i), 2.0 * M_PI * rates2[i] / 44100.0, 2e-9) << i;
    }
    one.setSpeed(-0.05f, 0.5f / 44100.0f);
    EXPECT_EQ(one.rate(0), 0.0f);
    for (float bad : {kNaN, kInf, 1e30f, -1e30f}) {
        one.setSpeed(bad, 0.5f / 44100.0f);
        for (int i = 0; i < 4; ++i) {
            EXPECT_TRUE(std::isfinite(one.rate(i)));
            EXPECT_LE(std::fabs(one.rate(i)), 0.05f);
        }
    }
}

TEST_F(Effects, ChorusDepthMapping) {
    ChorusUnit one(kChorus1);
    ChorusUnit two(kChorus2);
    one.create(44100.0f);
    two.create(44100.0f);
    one.setDepth(1.0f, 44100.0f);
    two.setDepth(1.0f, 44100.0f);
    const float depths1[] = {52.92f, 39.69f, 38.367f, 48.51f};
    const float depths2[] = {57.33f, 40.131f, 37.926f, 44.1f};
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(one.depth(i), depths1[i], 1e-4f) << i;
        EXPECT_NEAR(two.depth(i), depths2[i], 1e-4f) << i;
    }
    one.setDepth(0.0f, 44100.0f);
    EXPECT_NEAR(one.depth(0), 44100.0f * 0.05f * 0.0012f, 1e-5f);
}

TEST_F(Effects, ChorusDepthFollowsRateChangeInEitherOrder) {
    ChorusUnit chorus(kChorus2);
    chorus.create(44100.0f);
    // The parameters are applied before the lines are re-created for the new rate.
    chorus.setDepth(1.0f, 96000.0f);
    EXPECT_LT(chorus.depth(0), 96000.0f * 0.0013f);
    chorus.create(96000.0f);
    EXPECT_NEAR(chorus.depth(0), 124.8f, 1e-3f);
    chorus.setDepth(1.0f, 44100.0f);
    chorus.create(44100.0f);
    EXPECT_NEAR(chorus.depth(0), 57.33f, 1e-4f);
}

// Every swept delay stays inside the line, for any parameter values and sample rate.
TEST_F(Effects, ChorusDelaysStayInsideTheLine) {
    for (float fs : {44100.0f, 8000.0f, 1000.0f, 150.0f, 1.0f}) {
        for (float v : {0.0f, 1.0f, 5.0f, -5.0f, 1e30f, -1e30f, kNaN, kInf}) {
            ChorusUnit chorus(kChorus1);
            chorus.create(fs);
            chorus.setSpeed(v, 0.5f / fs);
            chorus.setDepth(v, fs);
            const float longest = static_cast<float>(chorus.lineLength() - 1);
            Noise noise;
            for (int n = 0; n < 20000; ++n) {
                const float out = chorus.process(noise.next());
                ASSERT_TRUE(std::isfinite(out));
                for (int i = 0; i < 4; ++i) {
                    const float d = chorus.oscillatorY(i) * chorus.depth(i) + chorus.baseDelay();
                    ASSERT_GE(d, 0.0f) << fs << " " << v;
                    ASSERT_LE(d, longest) << fs << " " << v;
                }
                if (n % 63 == 0) chorus.controlUpdate();
            }
        }
    }
}

// The sweep's headroom assumes the oscillators stay within 1.1 of unit amplitude at the fastest
// rate, with or without renormalisation.
TEST_F(Effects, ChorusOscillatorAmplitudeStaysNearOne) {
    for (bool renormalise : {false, true}) {
        ChorusUnit chorus(kChorus1);
        chorus.create(44100.0f);
        chorus.setSpeed(1e30f, 0.5f / 44100.0f);
        for (int n = 0; n < 200000; ++n) {
            chorus.process(0.0f);
            if (renormalise && n % 63 == 0) chorus.controlUpdate();
            for (int i = 0; i < 4; ++i)
                ASSERT_LE(std::fabs(chorus.oscillatorY(i)), 1.1f);
        }
    }
}

TEST_F(Effects, ChorusControlUpdateRenormalises) {
    ChorusUnit chorus(kChorus1);
    chorus.create(44100.0f);
    chorus.setSpeed(1e30f, 0.5f / 44100.0f);
    for (int n = 0; n < 37; ++n)
        chorus.process(0.0f);
    float x[4];
    float y[4];
    for (int i = 0; i < 4; ++i) {
        x[i] = chorus.oscillatorX(i);
        y[i] = chorus.oscillatorY(i);
    }
    chorus.controlUpdate();
    for (int i = 0; i < 4; ++i) {
        const float g = 1.5f - 0.5f * (x[i] * x[i] + y[i] * y[i]);
        EXPECT_EQ(chorus.oscillatorX(i), x[i] * g);
        EXPECT_EQ(chorus.oscillatorY(i), y[i] * g);
        const float before = std::fabs(x[i] * x[i] + y[i] * y[i] - 1.0f);
        const float xa = chorus.oscillatorX(i);
        const float ya = chorus.oscillatorY(i);
        EXPECT_LT(std::fabs(xa * xa + ya * ya - 1.0f), before * 0.1f + 1e-6f);
    }
}

TEST_F(Effects, ChorusStillTapsDelayByBaseDelay) {
    // With the oscillators stopped every tap reads at D0 = 441, one slot back being the newest.
    ChorusUnit chorus(kChorus1);
    chorus.create(44100.0f);
    chorus.setSpeed(-0.05f, 0.5f / 44100.0f);
    chorus.setDepth(1.0f, 44100.0f);
    const std::vector<float> out = impulseResponse(chorus, 1000);
    EXPECT_LT(peak(out, 0, 440), 1e-20f);
    EXPECT_EQ(out[440], 1.0f);
    EXPECT_LT(peak(out, 441, 1000), 1e-20f);
}

TEST_F(Effects, ChorusImpulseResponseDecays) {
    for (const ChorusConstants* constants : {&kChorus1, &kChorus2}) {
        ChorusUnit chorus(*constants);
        chorus.create(44100.0f);
        chorus.setSpeed(1.0f, 0.5f / 44100.0f);
        chorus.setDepth(0.87f, 44100.0f);
        const std::vector<float> out = impulseResponse(chorus, 44100);
        ASSERT_TRUE(allFinite(out));
        EXPECT_LT(peak(out, 0, 380), 1e-20f);
        EXPECT_GT(peak(out, 380, 500), 0.1f);
        EXPECT_LT(peak(out, 30000, 44100), 1e-8f);
    }
}

TEST_F(Effects, ChorusResetMatchesAFreshUnit) {
    ChorusUnit used(kChorus2);
    ChorusUnit fresh(kChorus2);
    for (ChorusUnit* c : {&used, &fresh}) {
        c->create(48000.0f);
        c->setSpeed(0.6f, 0.5f / 48000.0f);
        c->setDepth(0.4f, 48000.0f);
    }
    Noise noise;
    for (int n = 0; n < 5000; ++n)
        used.process(noise.next());
    used.reset();
    for (int n = 0; n < 5000; ++n) {
        const float x = noise.next();
        ASSERT_EQ(used.process(x), fresh.process(x)) << n;
    }
}

TEST_F(Effects, ReverbLengthMapping) {
    ReverbUnit left(kReverbL);
    left.setLength(0.71f, 0.5f / 44100.0f);
    // Cutoff (0.71 * 1.9 + 0.1) * 11025 / 88200 cycles per sample, times 0.93.
    const double c = (0.71 * 1.9 + 0.1) * 0.125;
    const double factors[] = {0.93, 0.99, 0.97};
    for (int i = 0; i < 3; ++i) {
        const double k = 0.15915494 / (c * factors[i]);
        EXPECT_NEAR(left.filterK(i), k, 1e-5) << i;
        EXPECT_EQ(left.filterA(i), 1.0f / (left.filterK(i) + 1.0f));
    }
    ReverbUnit right(kReverbR);
    right.setLength(1.0f, 0.5f / 44100.0f);
    // 11025 Hz at 44.1 kHz: a quarter cycle per sample.
    EXPECT_NEAR(right.filterK(0), 0.15915494f / 0.25f, 1e-6f);
    for (float bad : {kNaN, -1.0f, -1e30f, kInf, 1e30f}) {
        right.setLength(bad, 0.5f / 44100.0f);
        for (int i = 0; i < 3; ++i) {
            EXPECT_TRUE(std::isfinite(right.filterK(i)));
            EXPECT_GE(right.filterK(i), 0.0f);
            EXPECT_GT(right.filterA(i), 0.0f);
            EXPECT_LE(right.filterA(i), 1.0f);
        }
    }
}

TEST_F(Effects, ReverbFirstEchoAndDecay) {
    for (const ReverbConstants* constants : {&kReverbL, &kReverbR}) {
        ReverbUnit reverb(*constants);
        reverb.create(44100.0f);
        reverb.setLength(0.71f, 0.5f / 44100.0f);
        const std::vector<float> out = impulseResponse(reverb, 441000);
        ASSERT_TRUE(allFinite(out));
        const auto first = static_cast<int>(reverb.lineLength(0)) - 1;
        EXPECT_LT(peak(out, 0, first), 1e-20f);
        EXPECT_NEAR(out[static_cast<std::size_t>(first)], reverb.filterA(0), 1e-6f);
        const float early = peak(out, 0, 44100);
        EXPECT_LT(peak(out, 396900, 441000), early * 0.05f);
    }
}

TEST_F(Effects, ReverbStaysBoundedForAnyLength) {
    for (float v : {0.0f, 1.0f, 1e30f, -1.0f, kNaN}) {
        ReverbUnit reverb(kReverbR);
        reverb.create(44100.0f);
        reverb.setLength(v, 0.5f / 44100.0f);
        Noise noise;
        float last = 0.0f;
        for (int n = 0; n < 200000; ++n) {
            last = reverb.process(n < 44100 ? noise.next() : 0.0f);
            ASSERT_TRUE(std::isfinite(last));
            ASSERT_LT(std::fabs(last), 100.0f);
        }
        EXPECT_LT(std::fabs(last), 0.5f);
    }
}

TEST_F(Effects, ReverbResetMatchesAFreshUnit) {
    ReverbUnit used(kReverbL);
    ReverbUnit fresh(kReverbL);
    for (ReverbUnit* r : {&used, &fresh}) {
        r->create(22050.0f);
        r->setLength(0.3f, 0.5f / 22050.0f);
    }
    Noise noise;
    for (int n = 0; n < 9000; ++n)
        used.process(noise.next());
    used.reset();
    for (int n = 0; n < 9000; ++n) {
        const float x = noise.next();
        ASSERT_EQ(used.process(x), fresh.process(x)) << n;
    }
}

TEST_F(Effects, UnitsProcessSafelyBeforeCreate) {
    ChorusUnit chorus(kChorus1);
    chorus.setSpeed(1.0f, 0.5f / 44100.0f);
    chorus.setDepth(1.0f, 44100.0f);
    ReverbUnit reverb(kReverbL);
    for (int n = 0; n < 100; ++n) {
        EXPECT_TRUE(std::isfinite(chorus.process(1.0f)));
        EXPECT_TRUE(std::isfinite(reverb.process(1.0f)));
    }
}

}  // namespace
}  // namespace sorvella
