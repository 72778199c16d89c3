#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <vector>

#include "engine/chorus.h"
#include "engine/chorus_line.h"
#include "engine/delay_line.h"
#include "engine/reverb.h"

namespace sorvella {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kHalfInvFs44 = 0.5f / 44100.0f;

class Effects : public ::testing::Test {
  protected:
    void SetUp() override { std::fesetround(FE_TONEAREST); }
};

// Deterministic noise in -1..1.
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
    std::vector<float> out;
    for (int n = 0; n < samples; ++n)
        out.push_back(unit.process(n == 0 ? 1.0f : 0.0f));
    return out;
}

// Largest magnitude in [from, to); infinity if any sample there is not finite.
float peak(const std::vector<float>& v, int from, int to) {
    float p = 0.0f;
    for (int n = from; n < to; ++n) {
        const float x = v[static_cast<std::size_t>(n)];
        if (!std::isfinite(x)) return kInf;
        p = std::max(p, std::fabs(x));
    }
    return p;
}

TEST_F(Effects, DelayLine) {
    DelayLine line;
    line.create(5);
    std::vector<float> out;
    for (int n = 0; n < 8; ++n) {
        line.write(n == 0 ? 1.0f : (n == 1 ? 2.0f : 0.0f));
        out.push_back(line.read());
    }
    EXPECT_EQ(out, (std::vector<float>{0, 0, 0, 0, 1, 2, 0, 0}));

    ChorusLine swept;
    swept.create(8);
    for (float v : {10.0f, 20.0f, 30.0f, 40.0f})
        swept.write(v);
    EXPECT_EQ(swept.readAt(1.0f), 40.0f);  // the newest sample
    EXPECT_EQ(swept.readAt(1.5f), 35.0f);
    EXPECT_EQ(swept.readAt(3.25f), 17.5f);
    EXPECT_EQ(swept.readAt(4.5f), 5.0f);  // wraps back past slot 0
    for (int n = 0; n < 6; ++n)
        swept.write(static_cast<float>(n));
    EXPECT_EQ(swept.readAt(1.0f), 5.0f);
    EXPECT_EQ(swept.readAt(2.75f), 3.25f);
    swept.clear();
    EXPECT_EQ(swept.readAt(1.0f), 0.0f);
}

TEST_F(Effects, LineLengths) {
    ChorusUnit chorus(kChorus1);
    chorus.create(44100.0f);
    EXPECT_EQ(chorus.lineLength(), 508u);
    EXPECT_EQ(chorus.baseDelay(), 441.0f);
    chorus.create(96000.0f);
    EXPECT_EQ(chorus.lineLength(), 1105u);
    EXPECT_EQ(chorus.baseDelay(), 960.0f);

    ReverbUnit left(kReverbL);
    ReverbUnit right(kReverbR);
    left.create(44100.0f);
    right.create(96000.0f);
    EXPECT_EQ(
        (std::vector<std::size_t>{left.lineLength(0), left.lineLength(1), left.lineLength(2)}),
        (std::vector<std::size_t>{2999, 6792, 12040}));
    EXPECT_EQ(
        (std::vector<std::size_t>{right.lineLength(0), right.lineLength(1), right.lineLength(2)}),
        (std::vector<std::size_t>{5857, 14593, 26593}));

    EXPECT_EQ(delayLineLength(-44100.0f, 0.068f), 1u);
    EXPECT_EQ(delayLineLength(kNaN, 0.068f), 1u);
    EXPECT_EQ(delayLineLength(1e30f, 0.068f), kMaxDelayLineLength);
}

TEST_F(Effects, ChorusParameterMappings) {
    ChorusUnit one(kChorus1);
    ChorusUnit two(kChorus2);
    for (ChorusUnit* c : {&one, &two}) {
        c->create(44100.0f);
        c->setSpeed(1.0f, kHalfInvFs44);
        c->setDepth(1.0f, 44100.0f);
    }
    // Tap rates (v + 0.05) * 0.5 * m Hz; sweeps fs * q samples at full depth.
    const double rates1[] = {2.1, 2.625, 3.3075, 2.31};
    const double rates2[] = {2.205, 2.7825, 3.2025, 2.0475};
    const float depths1[] = {52.92f, 39.69f, 38.367f, 48.51f};
    const float depths2[] = {57.33f, 40.131f, 37.926f, 44.1f};
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(one.oscillatorCoef(i), 2.0 * std::numbers::pi * rates1[i] / 44100.0, 2e-9) << i;
        EXPECT_NEAR(two.oscillatorCoef(i), 2.0 * std::numbers::pi * rates2[i] / 44100.0, 2e-9) << i;
        EXPECT_NEAR(one.depth(i), depths1[i], 1e-4f) << i;
        EXPECT_NEAR(two.depth(i), depths2[i], 1e-4f) << i;
    }
    // Parameters are applied around the lines' re-creation for a new rate, in either order.
    two.setDepth(1.0f, 96000.0f);
    two.create(96000.0f);
    EXPECT_NEAR(two.depth(0), 124.8f, 1e-3f);
}

// Every swept delay stays inside the line, for any parameter values and sample rate.
TEST_F(Effects, ChorusDelaysStayInsideTheLine) {
    for (float fs : {44100.0f, 8000.0f, 1000.0f, 150.0f, 1.0f}) {
        for (float v : {0.0f, 1.0f, 5.0f, -5.0f, 1e30f, -1e30f, kNaN, kInf}) {
            ChorusUnit chorus(kChorus2);
            chorus.create(fs);
            chorus.setSpeed(v, 0.5f / fs);
            chorus.setDepth(v, fs);
            const float longest = static_cast<float>(chorus.lineLength() - 1);
            Noise noise;
            for (int n = 0; n < 20000; ++n) {
                ASSERT_TRUE(std::isfinite(chorus.process(noise.next())));
                for (int i = 0; i < 4; ++i) {
                    const float d = chorus.oscillatorY(i) * chorus.depth(i) + chorus.baseDelay();
                    ASSERT_GE(d, 0.0f) << fs << " " << v;
                    ASSERT_LE(d, longest) << fs << " " << v;
                }
                // The fastest rate also runs without renormalisation.
                if (n % 63 == 0 && v != 1e30f) chorus.controlUpdate();
            }
        }
    }
}

TEST_F(Effects, ChorusImpulseResponses) {
    // With the oscillators stopped every tap reads at D0 = 441, one slot back being the newest.
    ChorusUnit still(kChorus1);
    still.create(44100.0f);
    still.setSpeed(-0.05f, kHalfInvFs44);
    still.setDepth(1.0f, 44100.0f);
    std::vector<float> out = impulseResponse(still, 1000);
    EXPECT_LT(peak(out, 0, 440), 1e-20f);
    EXPECT_EQ(out[440], 1.0f);
    EXPECT_LT(peak(out, 441, 1000), 1e-20f);

    for (const ChorusConstants* constants : {&kChorus1, &kChorus2}) {
        ChorusUnit chorus(*constants);
        chorus.create(44100.0f);
        chorus.setSpeed(1.0f, kHalfInvFs44);
        chorus.setDepth(0.87f, 44100.0f);
        out = impulseResponse(chorus, 44100);
        EXPECT_LT(peak(out, 0, 380), 1e-20f);
        EXPECT_GT(peak(out, 380, 500), 0.1f);
        EXPECT_LT(peak(out, 30000, 44100), 1e-8f);
    }
}

TEST_F(Effects, ReverbLengthMapping) {
    ReverbUnit left(kReverbL);
    left.setLength(0.71f, kHalfInvFs44);
    const double c = (0.71 * 1.9 + 0.1) * 11025.0 / 88200.0;  // cycles per sample
    const double factors[] = {0.93, 0.99, 0.97};
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(left.filterK(i), 0.15915494 / (c * factors[i]), 1e-5) << i;
        EXPECT_EQ(left.filterA(i), 1.0f / (left.filterK(i) + 1.0f)) << i;
    }
    ReverbUnit right(kReverbR);
    right.setLength(1.0f, kHalfInvFs44);
    EXPECT_NEAR(right.filterK(0), 0.15915494f / 0.25f, 1e-6f);  // 11025 Hz
    // Below 0 the damping stays at its heaviest instead of the cutoff turning negative.
    left.setLength(-1.0f, kHalfInvFs44);
    ReverbUnit lowest(kReverbL);
    lowest.setLength(0.0f, kHalfInvFs44);
    EXPECT_EQ(left.filterK(0), lowest.filterK(0));
}

TEST_F(Effects, ReverbImpulseResponses) {
    for (const ReverbConstants* constants : {&kReverbL, &kReverbR}) {
        ReverbUnit reverb(*constants);
        reverb.create(44100.0f);
        reverb.setLength(0.71f, kHalfInvFs44);
        const std::vector<float> out = impulseResponse(reverb, 441000);
        const auto first = static_cast<int>(reverb.lineLength(0)) - 1;
        EXPECT_LT(peak(out, 0, first), 1e-20f);
        EXPECT_NEAR(out[static_cast<std::size_t>(first)], reverb.filterA(0), 1e-6f);
        EXPECT_LT(peak(out, 396900, 441000), peak(out, 0, 44100) * 0.05f);
    }
    // Out-of-range lengths still give a decaying, finite tail.
    for (float v : {1e30f, -1.0f, kNaN}) {
        ReverbUnit reverb(kReverbR);
        reverb.create(44100.0f);
        reverb.setLength(v, kHalfInvFs44);
        const std::vector<float> out = impulseResponse(reverb, 200000);
        EXPECT_LT(peak(out, 0, 200000), 2.0f) << v;
        EXPECT_LT(peak(out, 190000, 200000), 0.2f) << v;
    }
}

TEST_F(Effects, ResetMatchesAFreshUnit) {
    ChorusUnit chorus(kChorus2);
    ChorusUnit freshChorus(kChorus2);
    for (ChorusUnit* c : {&chorus, &freshChorus}) {
        c->create(48000.0f);
        c->setSpeed(0.6f, 0.5f / 48000.0f);
        c->setDepth(0.4f, 48000.0f);
    }
    ReverbUnit reverb(kReverbL);
    ReverbUnit freshReverb(kReverbL);
    for (ReverbUnit* r : {&reverb, &freshReverb}) {
        r->create(22050.0f);
        r->setLength(0.3f, 0.5f / 22050.0f);
    }
    Noise noise;
    for (int n = 0; n < 9000; ++n) {
        const float x = noise.next();
        chorus.process(x);
        reverb.process(x);
    }
    chorus.reset();
    reverb.reset();
    for (int n = 0; n < 9000; ++n) {
        const float x = noise.next();
        ASSERT_EQ(chorus.process(x), freshChorus.process(x)) << n;
        ASSERT_EQ(reverb.process(x), freshReverb.process(x)) << n;
    }
}

TEST_F(Effects, UnitsProcessSafelyBeforeCreate) {
    ChorusUnit chorus(kChorus1);
    chorus.setSpeed(1.0f, kHalfInvFs44);
    chorus.setDepth(1.0f, 44100.0f);
    ReverbUnit reverb(kReverbL);
    for (int n = 0; n < 100; ++n) {
        EXPECT_TRUE(std::isfinite(chorus.process(1.0f)));
        EXPECT_TRUE(std::isfinite(reverb.process(1.0f)));
    }
}

}  // namespace
}  // namespace sorvella
