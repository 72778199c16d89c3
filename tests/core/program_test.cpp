#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/program.h"
#include "engine/env_data.h"
#include "engine/formant_data.h"
#include "engine/tables.h"
#include "support/test_host.h"

namespace sorvella {
namespace {

using testing::HostRecorder;
using testing::makeInstrument;

TEST(ProgramRecord, SerialisedSizesFollowTheStorageVersion) {
    Program p;
    EXPECT_EQ(p.serialisedSize(2), 909);
    EXPECT_EQ(p.serialisedSize(1), 669);
    EXPECT_STREQ(p.name(), "Default");
    EXPECT_EQ(p.value(kOsc2Detune), 0.625f);
    EXPECT_EQ(p.value(kVowel2End), 0.22f);
}

TEST(ProgramRecord, CopyGoesThroughTheSerialisedForm) {
    Program a;
    Program b;
    a.setName("Choir");
    a.setValue(kLevel, 0.75f);
    a.curve(kCurveNoise).setLevel(2, 0.125f);
    b.copyFrom(a);
    EXPECT_STREQ(b.name(), "Choir");
    EXPECT_EQ(b.value(kLevel), 0.75f);
    std::vector<std::uint8_t> bytesA(909), bytesB(909);
    ByteWriter wa(bytesA.data(), bytesA.size());
    ByteWriter wb(bytesB.data(), bytesB.size());
    a.write(wa);
    b.write(wb);
    EXPECT_EQ(bytesA, bytesB);
    b.copyFrom(b);
    EXPECT_STREQ(b.name(), "Choir");
}

TEST(ProgramRecord, VersionOneRecordsLeaveTheFormantSetsAlone) {
    Program source;
    source.setValue(kMix1, 0.25f);
    std::vector<std::uint8_t> bytes(669);
    // A version-1 record is the version-2 one without its formant sets.
    std::vector<std::uint8_t> full(909);
    ByteWriter w(full.data(), full.size());
    source.write(w);
    std::copy(full.begin(), full.begin() + 669, bytes.begin());

    Program target;
    MyFormantData& set = target.formantSet(0);
    std::vector<std::uint8_t> before(60);
    ByteWriter ws(before.data(), before.size());
    set.write(ws);
    ByteReader r(bytes.data(), bytes.size());
    ASSERT_TRUE(target.read(r, 1));
    EXPECT_EQ(target.value(kMix1), 0.25f);
    std::vector<std::uint8_t> after(60);
    ByteWriter wa(after.data(), after.size());
    set.write(wa);
    EXPECT_EQ(before, after);
}

TEST(ProgramRecord, BadRecordsAreRefused) {
    Program p;
    std::vector<std::uint8_t> bytes(909);
    ByteWriter w(bytes.data(), bytes.size());
    p.write(w);
    Program target;
    ByteReader shortReader(bytes.data(), 900);
    EXPECT_FALSE(target.read(shortReader, 2));
    // A NaN parameter value never reaches the engine.
    std::vector<std::uint8_t> nan = bytes;
    nan[25] = 0x7F;
    nan[26] = 0xC0;
    nan[27] = 0;
    nan[28] = 0;
    ByteReader nanReader(nan.data(), nan.size());
    EXPECT_FALSE(target.read(nanReader, 2));
    EXPECT_EQ(target.value(kVoices), 0.5f);
}

TEST(ProgramRecord, NamesKeepAtMostTwentyFourCharacters) {
    Program p;
    p.setName("abcdefghijklmnopqrstuvwx");
    EXPECT_STREQ(p.name(), "abcdefghijklmnopqrstuvwx");
    p.setName("abcdefghijklmnopqrstuvwxyz0123");
    EXPECT_STREQ(p.name(), "abcdefghijklmnopqrstuvwx");
}

class InstrumentPrograms : public ::testing::Test {
  protected:
    HostRecorder host;
    std::unique_ptr<MyVsti> vsti = makeInstrument();
};

TEST_F(InstrumentPrograms, ControlIntervalFollowsTheSinglePrecisionReciprocal) {
    vsti->setSampleRate(96000.0f);
    EXPECT_EQ(vsti->controlInterval(), 29);
    vsti->setSampleRate(22050.0f);
    EXPECT_EQ(vsti->controlInterval(), 127);
    vsti->setSampleRate(48000.0f);
    EXPECT_EQ(vsti->controlInterval(), 58);
    vsti->setSampleRate(44100.0f);
    EXPECT_EQ(vsti->controlInterval(), 63);
    // A rate the engine cannot run at keeps the previous one.
    vsti->setSampleRate(0.0f);
    vsti->setSampleRate(-5.0f);
    EXPECT_EQ(vsti->controlInterval(), 63);
}

TEST(InstrumentLifetime, InstancesShareTheTablesAndTheLastReleasesThem) {
    HostRecorder host;
    auto first = makeInstrument();
    auto second = makeInstrument();
    EXPECT_TRUE(tablesBuilt());
    first.reset();
    EXPECT_TRUE(tablesBuilt());
    testing::sendMidi(*second, 0, 0x90, 69, 100);
    std::vector<float> l, r;
    testing::render(*second, l, r, 4096);
    float peak = 0.0f;
    for (float x : l)
        peak = std::max(peak, std::abs(x));
    EXPECT_GT(peak, 0.0f);
    second.reset();
    EXPECT_FALSE(tablesBuilt());
}

}  // namespace
}  // namespace sorvella
