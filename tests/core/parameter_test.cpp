#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/parameter_table.h"
#include "support/test_host.h"

namespace sorvella {
namespace {

using testing::HostRecorder;
using testing::makeInstrument;

class ParameterTest : public ::testing::Test {
  protected:
    HostRecorder host;
    std::unique_ptr<MyVsti> vsti = makeInstrument();
};

TEST_F(ParameterTest, ValuesOutsideTheRangeAreHeldAndNonFiniteOnesRefused) {
    vsti->setParameter(kLevel, 0.25f);
    vsti->setParameter(kLevel, std::numeric_limits<float>::quiet_NaN());
    vsti->setParameter(kLevel, std::numeric_limits<float>::infinity());
    EXPECT_EQ(vsti->getParameter(kLevel), 0.25f);
    vsti->setParameter(kLevel, 7.0f);
    EXPECT_EQ(vsti->getParameter(kLevel), 1.0f);
    vsti->setParameter(kVoices, -3.0f);
    EXPECT_EQ(vsti->voiceLimit(), 1);
}

TEST_F(ParameterTest, ReapplyingVoicesCutsEverySoundingVoice) {
    testing::sendMidi(*vsti, 0, 0x90, 60, 100);
    testing::sendMidi(*vsti, 0, 0x90, 64, 100);
    std::vector<float> l, r;
    testing::render(*vsti, l, r, 64);
    EXPECT_EQ(vsti->soundingVoices(), 2);
    vsti->setParameter(kVoices, vsti->getParameter(kVoices));
    EXPECT_EQ(vsti->soundingVoices(), 0);
}

}  // namespace
}  // namespace sorvella
