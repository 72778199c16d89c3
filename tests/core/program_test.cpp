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
    // A rate the engine cannot run at keeps the previous one.
    for (auto [rate, interval] : {std::pair{96000.0f, 29},
                                  {22050.0f, 127},
                                  {48000.0f, 58},
                                  {44100.0f, 63},
                                  {0.0f, 63},
                                  {-5.0f, 63}}) {
        vsti->setSampleRate(rate);
        EXPECT_EQ(vsti->controlInterval(), interval) << rate;
    }
}

}  // namespace
}  // namespace sorvella
