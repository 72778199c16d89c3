#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <vector>

#include "engine/formant_bank.h"
#include "engine/formant_data.h"
#include "engine/vowel_table.h"

namespace sorvella {
namespace {

constexpr float kInvFs44 = 1.0f / 44100.0f;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

bool sameBits(float a, float b) {
    return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);
}

void expectSameCoefficients(const Resonator& a, const Resonator& b) {
    EXPECT_TRUE(sameBits(a.cosTheta, b.cosTheta));
    EXPECT_TRUE(sameBits(a.radius, b.radius));
    EXPECT_TRUE(sameBits(a.gain, b.gain));
    EXPECT_TRUE(sameBits(a.zeroCoef, b.zeroCoef));
    EXPECT_TRUE(sameBits(a.a1, b.a1));
    EXPECT_TRUE(sameBits(a.a2, b.a2));
    EXPECT_TRUE(sameBits(a.outGain, b.outGain));
}

void expectFinite(const Resonator& r) {
    for (float v : {r.cosTheta, r.radius, r.gain, r.sharpness, r.zeroCoef, r.a1, r.a2, r.outGain}) {
        EXPECT_TRUE(std::isfinite(v));
    }
}

// Largest magnitude of the impulse response in [from, to).
float peakOfImpulseResponse(FormantBank& bank, int from, int to) {
    bank.resetState();
    float peak = 0.0f;
    for (int n = 0; n < to; ++n) {
        const float y = bank.process(n == 0 ? 1.0f : 0.0f);
        if (!std::isfinite(y)) return kInf;
        if (n >= from) peak = std::max(peak, std::fabs(y));
    }
    return peak;
}

TEST(VowelTable, NamesFollowTheSelectedRow) {
    EXPECT_STREQ(vowelName(0.0f), "Bass A");
    EXPECT_STREQ(vowelName(0.02f), "Bass I");
    EXPECT_STREQ(vowelName(0.22f), "Soprano I");
    EXPECT_STREQ(vowelName(0.243f), "Soprano U");
    // The user-edited set shows as the last row.
    EXPECT_STREQ(vowelName(0.25f), "Soprano U");
    EXPECT_STREQ(vowelName(0.9f), "Soprano U");
    EXPECT_STREQ(vowelName(1.0f), "Soprano U");
    EXPECT_STREQ(vowelName(-0.5f), "Bass A");
    EXPECT_STREQ(vowelName(kNaN), "Bass A");
    EXPECT_STREQ(vowelName(-kInf), "Bass A");
    EXPECT_STREQ(vowelName(kInf), "Soprano U");
}

TEST(VowelTable, SelectionQuantisesAndBounds) {
    EXPECT_EQ(vowelSelection(0.243f), 24);
    EXPECT_EQ(vowelSelection(0.25f), 25);
    EXPECT_EQ(vowelSelection(0.26f), 26);
    EXPECT_EQ(vowelSelection(0.9f), 26);
    EXPECT_EQ(vowelSelection(1.0e30f), 26);
    EXPECT_EQ(vowelSelection(-0.005f), 0);
    EXPECT_EQ(vowelSelection(-3.0f), 0);
    EXPECT_EQ(vowelSelection(kNaN), 0);
    // A kept value selects its own row again.
    for (int n = 0; n <= kMaxVowelSelection; ++n) {
        EXPECT_EQ(vowelSelection(static_cast<float>(n) * 0.01f), n);
    }
}

TEST(VowelTable, RowsSpotChecked) {
    EXPECT_STREQ(kVowelTable[0].name, "Bass A");
    EXPECT_STREQ(kVowelTable[10].name, "CounterTenor A");
    EXPECT_STREQ(kVowelTable[24].name, "Soprano U");
    EXPECT_EQ(kVowelTable[4].frequencies[3], 2675.0f);
    EXPECT_EQ(kVowelTable[1].levels[4], 0.0f);
    EXPECT_EQ(kVowelTable[19].levels[4], -64.0f);
    EXPECT_EQ(kVowelTable[18].bandwidths[4], 135.0f);
    EXPECT_EQ(kVowelTable[21].frequencies[1], 2000.0f);
}

TEST(FormantData, DefaultsAndSize) {
    MyFormantData set("Formant1 Start");
    EXPECT_EQ(set.name(), "Formant1 Start");
    EXPECT_EQ(set.version(), 2);
    EXPECT_EQ(set.serialisedSize(1), 60);
    EXPECT_EQ(set.serialisedSize(2), 60);
    for (int k = 0; k < kFormantCount; ++k) {
        EXPECT_EQ(set.frequencies[static_cast<std::size_t>(k)], 600.0f);
        EXPECT_EQ(set.bandwidths[static_cast<std::size_t>(k)], 40.0f);
        EXPECT_EQ(set.levels[static_cast<std::size_t>(k)], 0.0f);
    }
}

TEST(FormantData, WritesBigEndianGroups) {
    MyFormantData set("Formant2 End");
    set.levels[0] = -7.0f;
    std::vector<std::uint8_t> bytes(60);
    ByteWriter writer(bytes.data(), bytes.size());
    set.write(writer);
    EXPECT_EQ(writer.position(), 60u);
    EXPECT_FALSE(writer.overflowed());
    // 600.0f, 40.0f and -7.0f at the starts of the three groups.
    EXPECT_EQ(bytes[0], 0x44);
    EXPECT_EQ(bytes[1], 0x16);
    EXPECT_EQ(bytes[20], 0x42);
    EXPECT_EQ(bytes[21], 0x20);
    EXPECT_EQ(bytes[40], 0xC0);
    EXPECT_EQ(bytes[41], 0xE0);
    EXPECT_EQ(bytes[44], 0x00);
}

TEST(FormantData, RoundTripAndAssign) {
    MyFormantData source("Formant1 End");
    source.loadVowel(kVowelTable[13]);
    source.frequencies[2] = 2701.25f;
    source.bandwidths[4] = 20.5f;
    source.levels[3] = -79.9999f;
    std::vector<std::uint8_t> bytes(60);
    ByteWriter writer(bytes.data(), bytes.size());
    source.write(writer);

    MyFormantData copy("Formant2 Start");
    ByteReader reader(bytes.data(), bytes.size());
    ASSERT_TRUE(copy.read(reader, 2));
    EXPECT_EQ(reader.position(), 60u);
    EXPECT_EQ(copy.frequencies, source.frequencies);
    EXPECT_EQ(copy.bandwidths, source.bandwidths);
    EXPECT_EQ(copy.levels, source.levels);
    EXPECT_EQ(copy.name(), "Formant2 Start");

    MyFormantData assigned("Formant2 End");
    assigned.assign(source);
    EXPECT_EQ(assigned.frequencies, source.frequencies);
    EXPECT_EQ(assigned.levels, source.levels);
    assigned.assign(assigned);
    EXPECT_EQ(assigned.bandwidths, source.bandwidths);
}

TEST(FormantData, RejectsNonFiniteAndTruncatedRecords) {
    MyFormantData good("Formant1 Start");
    good.loadVowel(kVowelTable[7]);
    for (std::size_t word : {0u, 7u, 14u}) {
        for (float bad : {kNaN, kInf, -kInf}) {
            MyFormantData other("x");
            other.loadVowel(kVowelTable[3]);
            std::vector<std::uint8_t> bytes(60);
            ByteWriter writer(bytes.data(), bytes.size());
            other.write(writer);
            const auto bits = std::bit_cast<std::uint32_t>(bad);
            bytes[word * 4] = static_cast<std::uint8_t>(bits >> 24);
            bytes[word * 4 + 1] = static_cast<std::uint8_t>(bits >> 16);
            bytes[word * 4 + 2] = static_cast<std::uint8_t>(bits >> 8);
            bytes[word * 4 + 3] = static_cast<std::uint8_t>(bits);
            MyFormantData target("Formant1 Start");
            target.loadVowel(kVowelTable[7]);
            ByteReader reader(bytes.data(), bytes.size());
            EXPECT_FALSE(target.read(reader, 2));
            EXPECT_EQ(target.frequencies, good.frequencies);
            EXPECT_EQ(target.bandwidths, good.bandwidths);
            EXPECT_EQ(target.levels, good.levels);
        }
    }
    std::vector<std::uint8_t> shortBytes(59, 0);
    MyFormantData target("Formant1 Start");
    target.loadVowel(kVowelTable[7]);
    ByteReader reader(shortBytes.data(), shortBytes.size());
    EXPECT_FALSE(target.read(reader, 2));
    EXPECT_EQ(target.frequencies, good.frequencies);
}

TEST(FormantBank, InitialResonator) {
    const Resonator r;
    EXPECT_EQ(r.zeroCoef, 0.0f);
    EXPECT_EQ(r.cosTheta, 1.0f);
    EXPECT_EQ(r.gain, 1.0f);
    EXPECT_EQ(r.radius, 0.0f);
    EXPECT_EQ(r.sharpness, 1.0f);
    EXPECT_EQ(r.x1 + r.x2 + r.y1 + r.y2, 0.0f);
}

TEST(FormantBank, CoefficientsOfBassA) {
    MyFormantData set("Formant1 Start");
    FormantBank slot;
    EXPECT_EQ(selectVowel(set, slot, 0.0f, kInvFs44), 0.0f);
    const float cosTheta[] = {0.996348321f, 0.989042163f, 0.949055731f, 0.939692616f, 0.924219966f};
    const float radius[] = {0.995734846f, 0.995025758f, 0.992194451f, 0.991487884f, 0.99078182f};
    const float gain[] = {1.0f, 0.446683592f, 0.354813389f, 0.354813389f, 0.1f};
    for (std::size_t k = 0; k < 5; ++k) {
        const Resonator& r = slot.resonators[k];
        EXPECT_EQ(r.cosTheta, cosTheta[k]) << k;
        EXPECT_NEAR(r.radius, radius[k], 1.2e-7f) << k;
        EXPECT_NEAR(r.gain, gain[k], 1e-7f) << k;
        EXPECT_EQ(r.sharpness, 1.0f);
        EXPECT_EQ(r.zeroCoef, r.radius);
        EXPECT_EQ(r.outGain, (1.0f - r.zeroCoef) * r.gain);
        EXPECT_EQ(r.a1, 2.0f * r.zeroCoef * r.cosTheta);
        EXPECT_EQ(r.a2, r.zeroCoef * r.zeroCoef);
    }
    EXPECT_EQ(slot.resonators[0].gain, 1.0f);
}

TEST(FormantBank, SelectVowelKeptValues) {
    MyFormantData set("Formant1 Start");
    FormantBank slot;
    EXPECT_EQ(selectVowel(set, slot, 0.22f, kInvFs44), 0.22f);
    EXPECT_EQ(set.frequencies, kVowelTable[22].frequencies);
    EXPECT_EQ(set.levels, kVowelTable[22].levels);
    EXPECT_EQ(set.bandwidths, kVowelTable[22].bandwidths);
    EXPECT_EQ(selectVowel(set, slot, 0.243f, kInvFs44), 0.24f);
    EXPECT_EQ(set.frequencies, kVowelTable[24].frequencies);

    // 0.25 and above keep the edited set but recompute the slot from it.
    set.frequencies[0] = 1000.0f;
    const float cosBefore = slot.resonators[0].cosTheta;
    EXPECT_EQ(selectVowel(set, slot, 0.25f, kInvFs44), 0.25f);
    EXPECT_EQ(set.frequencies[0], 1000.0f);
    EXPECT_EQ(set.levels, kVowelTable[24].levels);
    EXPECT_LT(slot.resonators[0].cosTheta, cosBefore);
    EXPECT_EQ(selectVowel(set, slot, 0.9f, kInvFs44), 0.26f);
    EXPECT_EQ(selectVowel(set, slot, 5.0f, kInvFs44), 0.26f);
    EXPECT_EQ(set.frequencies[0], 1000.0f);

    EXPECT_EQ(selectVowel(set, slot, kNaN, kInvFs44), 0.0f);
    EXPECT_EQ(set.frequencies, kVowelTable[0].frequencies);
    EXPECT_EQ(selectVowel(set, slot, -2.0f, kInvFs44), 0.0f);
}

TEST(FormantBank, MorphEndPointsAreExact) {
    MyFormantData a("Formant1 Start");
    MyFormantData b("Formant1 End");
    FormantBank start;
    FormantBank end;
    selectVowel(a, start, 0.0f, kInvFs44);
    selectVowel(b, end, 0.24f, kInvFs44);
    FormantBank bank;
    for (float p : {0.0f, -1.0f, kNaN}) {
        bank.morph(start, end, p);
        for (std::size_t k = 0; k < 5; ++k)
            expectSameCoefficients(bank.resonators[k], start.resonators[k]);
    }
    for (float p : {1.0f, 5.0f, kInf}) {
        bank.morph(start, end, p);
        for (std::size_t k = 0; k < 5; ++k)
            expectSameCoefficients(bank.resonators[k], end.resonators[k]);
    }
    bank.morph(start, end, 0.5f);
    for (std::size_t k = 0; k < 5; ++k) {
        const Resonator& s = start.resonators[k];
        const Resonator& e = end.resonators[k];
        const Resonator& r = bank.resonators[k];
        EXPECT_EQ(r.cosTheta, s.cosTheta + (e.cosTheta - s.cosTheta) * 0.5f);
        EXPECT_EQ(r.radius, s.radius + (e.radius - s.radius) * 0.5f);
        EXPECT_EQ(r.gain, s.gain + (e.gain - s.gain) * 0.5f);
    }
}

TEST(FormantBank, MorphKeepsStateAndSharpness) {
    MyFormantData a("Formant1 Start");
    FormantBank slot;
    selectVowel(a, slot, 0.05f, kInvFs44);
    FormantBank bank;
    bank.setSharpness(0.5f);
    bank.morph(slot, slot, 0.3f);
    for (int n = 0; n < 10; ++n)
        bank.process(n == 0 ? 1.0f : 0.0f);
    const float y1 = bank.resonators[2].y1;
    ASSERT_NE(y1, 0.0f);
    bank.morph(slot, slot, 0.7f);
    EXPECT_EQ(bank.resonators[2].y1, y1);
    EXPECT_EQ(bank.resonators[2].sharpness, 1.00125f);
    EXPECT_EQ(bank.resonators[2].zeroCoef, bank.resonators[2].radius * 1.00125f);
    bank.resetState();
    EXPECT_EQ(bank.resonators[2].y1, 0.0f);
    EXPECT_EQ(bank.resonators[2].x1, 0.0f);
}

TEST(FormantBank, Sharpness) {
    MyFormantData a("Formant1 Start");
    FormantBank slot;
    selectVowel(a, slot, 0.15f, kInvFs44);
    FormantBank bank;
    bank.morph(slot, slot, 0.0f);
    bank.setSharpness(1.0f);
    for (const Resonator& r : bank.resonators) {
        EXPECT_EQ(r.sharpness, 1.0025f);
        EXPECT_EQ(r.zeroCoef, r.radius * 1.0025f);
        EXPECT_EQ(r.outGain, (1.0f - r.zeroCoef) * r.gain);
        EXPECT_EQ(r.a1, 2.0f * r.zeroCoef * r.cosTheta);
        EXPECT_EQ(r.a2, r.zeroCoef * r.zeroCoef);
    }
    bank.setSharpness(0.0f);
    for (const Resonator& r : bank.resonators)
        EXPECT_EQ(r.zeroCoef, r.radius);
    // Slots are never sharpened.
    for (const Resonator& r : slot.resonators)
        EXPECT_EQ(r.sharpness, 1.0f);
    for (float bad : {kNaN, kInf, -kInf, 5.0f, -1000.0f}) {
        bank.setSharpness(bad);
        for (const Resonator& r : bank.resonators) {
            expectFinite(r);
            EXPECT_GE(r.zeroCoef, 0.0f);
            EXPECT_LE(r.zeroCoef, kMaxZeroCoef);
        }
    }
}

// Drives a sine at the centre frequency through one resonator and measures the steady state.
float steadyStateGain(Resonator r, int samples) {
    const double theta = std::acos(static_cast<double>(r.cosTheta));
    double sumSquares = 0.0;
    const int settle = samples / 2;
    for (int n = 0; n < samples; ++n) {
        const float y = r.process(static_cast<float>(std::sin(theta * n)));
        if (n >= settle) sumSquares += static_cast<double>(y) * y;
    }
    return static_cast<float>(std::sqrt(2.0 * sumSquares / (samples - settle)));
}

TEST(FormantBank, GainAtCentreEqualsLevel) {
    Resonator r;
    r.setFormant(1000.0f, 100.0f, -6.0f, kInvFs44);
    const float gain = std::pow(10.0f, -0.3f);
    EXPECT_NEAR(r.gain, gain, 1e-6f);
    EXPECT_NEAR(steadyStateGain(r, 88200), gain, gain * 1e-3f);
    const float w =
        static_cast<float>(std::acos(static_cast<double>(r.cosTheta)) / std::numbers::pi);
    EXPECT_NEAR(r.responseMagnitude(w), gain, gain * 1e-4f);
    EXPECT_LT(r.responseMagnitude(w * 0.5f), gain * 0.1f);

    // Also at full sharpness, where the peak is much narrower.
    r.setSharpness(1.0025f);
    EXPECT_NEAR(steadyStateGain(r, 88200), gain, gain * 2e-3f);
    EXPECT_NEAR(r.responseMagnitude(w), gain, gain * 1e-3f);

    FormantBank bank;
    bank.resonators[3] = r;
    EXPECT_EQ(bank.responseMagnitude(3, w), r.responseMagnitude(w));
    EXPECT_EQ(bank.responseMagnitude(-1, w), 0.0f);
    EXPECT_EQ(bank.responseMagnitude(5, w), 0.0f);
}

TEST(FormantBank, EditorStyleUpdates) {
    Resonator r;
    r.setFormant(600.0f, 40.0f, 0.0f, kInvFs44);
    const float a1Before = r.a1;
    r.setFrequency(2000.0f, kInvFs44);
    EXPECT_NE(r.a1, a1Before);
    EXPECT_EQ(r.a1, 2.0f * r.zeroCoef * r.cosTheta);
    r.setBandwidth(2000.0f, kInvFs44);
    EXPECT_EQ(r.zeroCoef, r.radius);
    EXPECT_EQ(r.a2, r.zeroCoef * r.zeroCoef);
    r.setLevel(-80.0f);
    EXPECT_NEAR(r.gain, 1e-4f, 1e-10f);
    EXPECT_EQ(r.outGain, (1.0f - r.zeroCoef) * r.gain);
}

TEST(FormantBank, StaysStableAtFullSharpness) {
    MyFormantData set("Formant2 Start");
    set.frequencies = {300.0f, 1000.0f, 0.0f, 22050.0f, 50.0f};
    set.bandwidths = {10.0f, -50.0f, 10.0f, 1.0f, -1000.0f};
    for (float invFs : {kInvFs44, 1.0f / 96000.0f, 1.0f / 192000.0f}) {
        FormantBank slot;
        EXPECT_EQ(selectVowel(set, slot, 0.25f, invFs), 0.25f);
        FormantBank bank;
        bank.setSharpness(1.0f);
        bank.morph(slot, slot, 0.0f);
        for (const Resonator& r : bank.resonators) {
            expectFinite(r);
            EXPECT_LT(r.zeroCoef, 1.0f);
        }
        const float early = peakOfImpulseResponse(bank, 0, 1000);
        const float late = peakOfImpulseResponse(bank, 400000, 401000);
        EXPECT_GT(early, 0.0f);
        EXPECT_LT(late, early * 1e-6f) << invFs;
    }
}

TEST(FormantBank, DefaultSetRingsOutAtHighRates) {
    // 40 Hz at 96 kHz with full "Formants L" would otherwise give a pole radius above 1.
    MyFormantData set("Formant1 Start");
    FormantBank slot;
    selectVowel(set, slot, 0.25f, 1.0f / 96000.0f);
    FormantBank bank;
    bank.setSharpness(1.0f);
    bank.morph(slot, slot, 1.0f);
    EXPECT_EQ(bank.resonators[0].zeroCoef, kMaxZeroCoef);
    EXPECT_LT(peakOfImpulseResponse(bank, 300000, 301000), 1e-6f);
}

TEST(FormantBank, NonFiniteInputsGiveFiniteCoefficients) {
    MyFormantData set("Formant1 End");
    set.frequencies = {kNaN, kInf, -kInf, 1e30f, -600.0f};
    set.bandwidths = {kNaN, -kInf, kInf, 1e30f, -1e30f};
    set.levels = {kNaN, kInf, -kInf, 1e30f, -1e30f};
    FormantBank slot;
    selectVowel(set, slot, 0.26f, kInvFs44);
    for (const Resonator& r : slot.resonators)
        expectFinite(r);
    FormantBank bank;
    bank.setSharpness(1.0f);
    for (float p : {0.0f, 0.3f, 1.0f, kNaN}) {
        bank.morph(slot, slot, p);
        for (const Resonator& r : bank.resonators)
            expectFinite(r);
    }
    for (int n = 0; n < 100000; ++n)
        ASSERT_TRUE(std::isfinite(bank.process(n == 0 ? 1.0f : 0.0f)));
}

TEST(FormantBank, ProcessSumsResonatorsInOrder) {
    MyFormantData set("Formant1 Start");
    FormantBank bank;
    selectVowel(set, bank, 0.11f, kInvFs44);
    FormantBank copy = bank;
    for (int n = 0; n < 200; ++n) {
        const float x = static_cast<float>(std::sin(n * 0.37)) + (n == 0 ? 1.0f : 0.0f);
        float expected = copy.resonators[0].process(x);
        for (std::size_t k = 1; k < 5; ++k)
            expected += copy.resonators[k].process(x);
        ASSERT_TRUE(sameBits(bank.process(x), expected)) << n;
    }
    // The recurrence itself, for the first two samples of an impulse.
    Resonator r = bank.resonators[1];
    r.resetState();
    EXPECT_EQ(r.process(1.0f), (1.0f + 1e-24f) * r.outGain);
    EXPECT_EQ(r.process(0.0f), (r.a1 * (1.0f + 1e-24f) + 1e-24f) * r.outGain);
}

}  // namespace
}  // namespace sorvella
