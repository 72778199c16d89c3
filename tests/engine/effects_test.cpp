// The effects units with values a host or a file should never hold and the states a host leaves
// them in. Their samples are compared with the reference chain in chain_exact_test.cpp; formant
// records' round trips are checked with the preset chunks.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "engine/chorus.h"
#include "engine/delay_line.h"
#include "engine/formant_bank.h"
#include "engine/formant_data.h"
#include "engine/reverb.h"
#include "engine/vowel_table.h"

namespace sorvella {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kInvFs44 = 1.0f / 44100.0f;

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

void expectFiniteAndStable(const FormantBank& bank) {
    for (const Resonator& r : bank.resonators) {
        for (float v : {r.cosTheta, r.radius, r.gain, r.sharpness, r.a1, r.a2, r.outGain})
            EXPECT_TRUE(std::isfinite(v));
        EXPECT_GE(r.zeroCoef, 0.0f);
        EXPECT_LE(r.zeroCoef, kMaxZeroCoef);
    }
}

// Largest magnitude of the impulse response in [from, to).
float peakOfImpulseResponse(FormantBank bank, int from, int to) {
    bank.resetState();
    float peak = 0.0f;
    for (int n = 0; n < to; ++n) {
        const float y = bank.process(n == 0 ? 1.0f : 0.0f);
        if (!std::isfinite(y)) return kInf;
        if (n >= from) peak = std::max(peak, std::fabs(y));
    }
    return peak;
}

// A record with a value that is not a number, or cut short, is refused and changes nothing.
TEST(FormantData, RefusesNonFiniteAndTruncatedRecords) {
    std::vector<std::uint8_t> bytes(60);
    ByteWriter writer(bytes.data(), bytes.size());
    MyFormantData set("Formant2 End");
    set.loadVowel(kVowelTable[13]);
    set.write(writer);
    MyFormantData target("Formant1 Start");
    target.loadVowel(kVowelTable[7]);
    for (std::size_t word : {0u, 7u, 14u}) {  // a frequency, a bandwidth and a level
        for (float bad : {kNaN, kInf, -kInf}) {
            std::vector<std::uint8_t> damaged = bytes;
            const auto bits = std::bit_cast<std::uint32_t>(bad);
            for (std::size_t b = 0; b < 4; ++b)
                damaged[word * 4 + b] = static_cast<std::uint8_t>(bits >> (24 - 8 * b));
            ByteReader reader(damaged.data(), damaged.size());
            EXPECT_FALSE(target.read(reader, 2)) << word;
        }
    }
    ByteReader truncated(bytes.data(), 59);
    EXPECT_FALSE(target.read(truncated, 2));
    EXPECT_EQ(target.frequencies, kVowelTable[7].frequencies);
    EXPECT_EQ(target.bandwidths, kVowelTable[7].bandwidths);
    EXPECT_EQ(target.levels, kVowelTable[7].levels);
}

TEST(FormantBank, VowelValuesAHostCannotSend) {
    EXPECT_STREQ(vowelName(kNaN), "Bass A");
    MyFormantData set("Formant1 Start");
    FormantBank slot;
    set.frequencies[0] = 1000.0f;
    EXPECT_EQ(selectVowel(set, slot, 0.9f, kInvFs44), 0.26f);  // the edited set is kept
    EXPECT_EQ(set.frequencies[0], 1000.0f);
    EXPECT_EQ(selectVowel(set, slot, kNaN, kInvFs44), 0.0f);
    EXPECT_EQ(set.frequencies, kVowelTable[0].frequencies);
}

TEST(FormantBank, StaysStableAtFullSharpness) {
    // 10 Hz and negative bandwidths, and centres at 0 Hz and Nyquist where cosTheta is +-1.
    MyFormantData set("Formant2 Start");
    set.frequencies = {300.0f, 1000.0f, 0.0f, 22050.0f, 50.0f};
    set.bandwidths = {10.0f, -50.0f, 10.0f, 1.0f, -1000.0f};
    MyFormantData plain("Formant2 End");  // 40 Hz bandwidths: unstable at 96 kHz unbounded
    for (MyFormantData* s : {&set, &plain}) {
        for (float invFs : {kInvFs44, 1.0f / 96000.0f, 1.0f / 192000.0f}) {
            FormantBank slot;
            selectVowel(*s, slot, 0.25f, invFs);
            FormantBank bank;
            bank.setSharpness(1.0f);
            bank.morph(slot, slot, 0.0f);
            expectFiniteAndStable(bank);
            const float early = peakOfImpulseResponse(bank, 0, 1000);
            EXPECT_GT(early, 0.0f);
            EXPECT_LT(peakOfImpulseResponse(bank, 400000, 401000), early * 1e-6f) << invFs;
        }
    }
}

}  // namespace
}  // namespace sorvella
