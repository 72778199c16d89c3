// The chorus and reverb units with values a host should never send and the states a host leaves
// them in. Their samples are compared with the reference chain in chain_exact_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <limits>

#include "engine/chorus.h"
#include "engine/delay_line.h"
#include "engine/reverb.h"

namespace sorvella {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

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

class Effects : public ::testing::Test {
  protected:
    void SetUp() override { std::fesetround(FE_TONEAREST); }
};

TEST_F(Effects, ReverbTailsDecayForAnyLength) {
    for (float v : {0.71f, 1e30f, -1.0f, kNaN}) {
        ReverbUnit reverb(kReverbR);
        reverb.create(44100.0f);
        reverb.setLength(v, 0.5f / 44100.0f);
        float early = 0.0f;
        float late = 0.0f;
        for (int n = 0; n < 200000; ++n) {
            const float y = std::fabs(reverb.process(n == 0 ? 1.0f : 0.0f));
            ASSERT_TRUE(std::isfinite(y)) << v;
            if (n < 44100) early = std::max(early, y);
            if (n >= 190000) late = std::max(late, y);
        }
        EXPECT_LT(early, 2.0f) << v;
        EXPECT_LT(late, 0.2f) << v;
    }
}

TEST_F(Effects, ResetMatchesAFreshUnitAndUnitsRunBeforeCreate) {
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

    ChorusUnit uncreated(kChorus1);
    uncreated.setSpeed(1.0f, 0.5f / 44100.0f);
    uncreated.setDepth(1.0f, 44100.0f);
    ReverbUnit bare(kReverbL);
    for (int n = 0; n < 100; ++n) {
        EXPECT_TRUE(std::isfinite(uncreated.process(1.0f)));
        EXPECT_TRUE(std::isfinite(bare.process(1.0f)));
    }
}

}  // namespace
}  // namespace sorvella
