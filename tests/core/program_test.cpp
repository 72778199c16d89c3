#include <gtest/gtest.h>

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
