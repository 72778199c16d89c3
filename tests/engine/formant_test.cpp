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

void expectSameCoefficients(const FormantBank& a, const FormantBank& b) {
    for (std::size_t k = 0; k < kFormantCount; ++k) {
        const Resonator& x = a.resonators[k];
        const Resonator& y = b.resonators[k];
        for (auto [u, v] : {std::pair{x.cosTheta, y.cosTheta},
                            {x.radius, y.radius},
                            {x.gain, y.gain},
                            {x.zeroCoef, y.zeroCoef},
                            {x.a1, y.a1},
                            {x.a2, y.a2},
                            {x.outGain, y.outGain}}) {
            EXPECT_EQ(std::bit_cast<std::uint32_t>(u), std::bit_cast<std::uint32_t>(v)) << k;
        }
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

std::vector<std::uint8_t> serialise(const MyFormantData& set) {
    std::vector<std::uint8_t> bytes(60);
    ByteWriter writer(bytes.data(), bytes.size());
    set.write(writer);
    EXPECT_EQ(writer.position(), 60u);
    return bytes;
}

TEST(VowelTable, NamesAndSelection) {
    // Values a host cannot send through the parameter, whose texts the plugin tests check.
    EXPECT_STREQ(vowelName(-0.5f), "Bass A");
    EXPECT_STREQ(vowelName(kNaN), "Bass A");
    EXPECT_STREQ(vowelName(kInf), "Soprano U");
    EXPECT_EQ(vowelSelection(-3.0f), 0);
    // A kept value selects its own row again.
    for (int n = 0; n <= kMaxVowelSelection; ++n)
        EXPECT_EQ(vowelSelection(static_cast<float>(n) * 0.01f), n);
}

TEST(FormantData, DefaultsLayoutAndRoundTrip) {
    MyFormantData set("Formant2 End");
    EXPECT_EQ(set.version(), 2);
    EXPECT_EQ(set.serialisedSize(1), 60);
    std::vector<std::uint8_t> bytes = serialise(set);
    // 600.0f, 40.0f and 0.0f lead the three groups.
    EXPECT_EQ((std::vector<std::uint8_t>{bytes[0], bytes[1], bytes[20], bytes[21], bytes[40]}),
              (std::vector<std::uint8_t>{0x44, 0x16, 0x42, 0x20, 0x00}));

    set.loadVowel(kVowelTable[13]);
    set.frequencies[2] = 2701.25f;
    set.levels[3] = -79.9999f;
    bytes = serialise(set);
    MyFormantData copy("Formant2 Start");
    ByteReader reader(bytes.data(), bytes.size());
    ASSERT_TRUE(copy.read(reader, 2));
    EXPECT_EQ(copy.frequencies, set.frequencies);
    EXPECT_EQ(copy.bandwidths, set.bandwidths);
    EXPECT_EQ(copy.levels, set.levels);
    EXPECT_EQ(copy.name(), "Formant2 Start");
    MyFormantData assigned("Formant1 End");
    assigned.assign(set);
    EXPECT_EQ(assigned.levels, set.levels);
}

TEST(FormantData, RejectsNonFiniteAndTruncatedRecords) {
    MyFormantData target("Formant1 Start");
    target.loadVowel(kVowelTable[7]);
    for (std::size_t word : {0u, 7u, 14u}) {
        for (float bad : {kNaN, kInf, -kInf}) {
            std::vector<std::uint8_t> bytes = serialise(MyFormantData("x"));
            const auto bits = std::bit_cast<std::uint32_t>(bad);
            for (std::size_t b = 0; b < 4; ++b)
                bytes[word * 4 + b] = static_cast<std::uint8_t>(bits >> (24 - 8 * b));
            ByteReader reader(bytes.data(), bytes.size());
            EXPECT_FALSE(target.read(reader, 2));
        }
    }
    std::vector<std::uint8_t> shortBytes(59, 0);
    ByteReader reader(shortBytes.data(), shortBytes.size());
    EXPECT_FALSE(target.read(reader, 2));
    EXPECT_EQ(target.frequencies, kVowelTable[7].frequencies);
    EXPECT_EQ(target.bandwidths, kVowelTable[7].bandwidths);
    EXPECT_EQ(target.levels, kVowelTable[7].levels);
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
        EXPECT_EQ(r.zeroCoef, r.radius);
        EXPECT_EQ(r.outGain, (1.0f - r.zeroCoef) * r.gain);
        EXPECT_EQ(r.a1, 2.0f * r.zeroCoef * r.cosTheta);
        EXPECT_EQ(r.a2, r.zeroCoef * r.zeroCoef);
    }
    // The recurrence, first two samples of an impulse.
    Resonator r = slot.resonators[1];
    EXPECT_EQ(r.process(1.0f), r.outGain);
    EXPECT_EQ(r.process(0.0f), (r.a1 + 1e-24f) * r.outGain);
}

TEST(FormantBank, SelectVowelKeptValues) {
    MyFormantData set("Formant1 Start");
    FormantBank slot;
    EXPECT_EQ(selectVowel(set, slot, 0.22f, kInvFs44), 0.22f);
    EXPECT_EQ(set.frequencies, kVowelTable[22].frequencies);
    EXPECT_EQ(set.levels, kVowelTable[22].levels);
    EXPECT_EQ(set.bandwidths, kVowelTable[22].bandwidths);
    // 0.25 and above keep the edited set but recompute the slot from it.
    set.frequencies[0] = 1000.0f;
    const float cosBefore = slot.resonators[0].cosTheta;
    EXPECT_EQ(selectVowel(set, slot, 0.25f, kInvFs44), 0.25f);
    EXPECT_EQ(set.frequencies[0], 1000.0f);
    EXPECT_LT(slot.resonators[0].cosTheta, cosBefore);
    EXPECT_EQ(selectVowel(set, slot, 0.9f, kInvFs44), 0.26f);
    EXPECT_EQ(set.frequencies[0], 1000.0f);
    EXPECT_EQ(selectVowel(set, slot, kNaN, kInvFs44), 0.0f);
    EXPECT_EQ(set.frequencies, kVowelTable[0].frequencies);
}

TEST(FormantBank, MorphEndPointsAndSharpness) {
    MyFormantData a("Formant1 Start");
    MyFormantData b("Formant1 End");
    FormantBank start;
    FormantBank end;
    selectVowel(a, start, 0.0f, kInvFs44);
    selectVowel(b, end, 0.24f, kInvFs44);
    FormantBank bank;
    for (float p : {0.0f, -1.0f, kNaN}) {
        bank.morph(start, end, p);
        expectSameCoefficients(bank, start);
    }
    for (float p : {1.0f, 5.0f}) {
        bank.morph(start, end, p);
        expectSameCoefficients(bank, end);
    }
    bank.morph(start, end, 0.5f);
    const Resonator& s = start.resonators[3];
    const Resonator& e = end.resonators[3];
    EXPECT_EQ(bank.resonators[3].gain, s.gain + (e.gain - s.gain) * 0.5f);
    EXPECT_EQ(bank.resonators[3].cosTheta, s.cosTheta + (e.cosTheta - s.cosTheta) * 0.5f);

    // Sharpness belongs to the sounding bank and survives morphs; filter state does too.
    bank.setSharpness(1.0f);
    for (int n = 0; n < 10; ++n)
        bank.process(n == 0 ? 1.0f : 0.0f);
    const float y1 = bank.resonators[2].y1;
    bank.morph(start, end, 0.7f);
    EXPECT_EQ(bank.resonators[2].y1, y1);
    for (const Resonator& r : bank.resonators) {
        EXPECT_EQ(r.sharpness, 1.0025f);
        EXPECT_EQ(r.zeroCoef, r.radius * 1.0025f);
        EXPECT_EQ(r.outGain, (1.0f - r.zeroCoef) * r.gain);
        EXPECT_EQ(r.a2, r.zeroCoef * r.zeroCoef);
    }
    bank.setSharpness(0.5f);
    EXPECT_EQ(bank.resonators[0].sharpness, 1.00125f);
    for (const Resonator& r : start.resonators)
        EXPECT_EQ(r.sharpness, 1.0f);
    bank.resetState();
    EXPECT_EQ(bank.resonators[2].y1, 0.0f);
}

// Drives a sine at the centre frequency through one resonator; returns the steady amplitude.
float steadyStateGain(Resonator r) {
    const double theta = std::acos(static_cast<double>(r.cosTheta));
    double sumSquares = 0.0;
    for (int n = 0; n < 88200; ++n) {
        const float y = r.process(static_cast<float>(std::sin(theta * n)));
        if (n >= 44100) sumSquares += static_cast<double>(y) * y;
    }
    return static_cast<float>(std::sqrt(2.0 * sumSquares / 44100.0));
}

TEST(FormantBank, GainAtCentreEqualsLevel) {
    Resonator r;
    r.setFormant(1000.0f, 100.0f, -6.0f, kInvFs44);
    const float gain = std::pow(10.0f, -0.3f);
    const float w =
        static_cast<float>(std::acos(static_cast<double>(r.cosTheta)) / std::numbers::pi);
    for (float m : {1.0f, 1.0025f}) {
        r.setSharpness(m);
        EXPECT_NEAR(steadyStateGain(r), gain, gain * 2e-3f) << m;
        EXPECT_NEAR(r.responseMagnitude(w), gain, gain * 1e-3f) << m;
        EXPECT_LT(r.responseMagnitude(w * 0.5f), gain * 0.1f);
    }
    FormantBank bank;
    bank.resonators[3] = r;
    EXPECT_EQ(bank.responseMagnitude(3, w), r.responseMagnitude(w));
    EXPECT_EQ(bank.responseMagnitude(5, w), 0.0f);
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

TEST(FormantBank, NonFiniteInputsGiveFiniteCoefficients) {
    MyFormantData set("Formant1 End");
    set.frequencies = {kNaN, kInf, -kInf, 1e30f, -600.0f};
    set.bandwidths = {kNaN, -kInf, kInf, 1e30f, -1e30f};
    set.levels = {kNaN, kInf, -kInf, 1e30f, -1e30f};
    FormantBank slot;
    selectVowel(set, slot, 0.26f, kInvFs44);
    expectFiniteAndStable(slot);
    FormantBank bank;
    for (float sharpness : {1.0f, kNaN, kInf, -1000.0f}) {
        bank.setSharpness(sharpness);
        bank.morph(slot, slot, 0.3f);
        expectFiniteAndStable(bank);
    }
    EXPECT_LT(peakOfImpulseResponse(bank, 0, 100000), kInf);
}

}  // namespace
}  // namespace sorvella
