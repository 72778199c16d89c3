#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/parameter_table.h"
#include "support/test_host.h"

namespace sorvella {
namespace {

using testing::display;
using testing::HostRecorder;
using testing::makeInstrument;

class ParameterTest : public ::testing::Test {
  protected:
    HostRecorder host;
    std::unique_ptr<MyVsti> vsti = makeInstrument();

    std::string shown(std::int32_t index, float value) {
        vsti->setParameter(index, value);
        return display(*vsti, index);
    }
};

TEST_F(ParameterTest, NamesAndLabelsComeFromTheTable) {
    const char* names[kNumParams] = {"Voices",         "Level",          "Osc2 detune",
                                     "Mix1",           "Mix2",           "Mix Breath",
                                     "Vel->Time mod",  "Vel->Level mod", "Vel->Breath mod",
                                     "Chorus Speed",   "Chorus Depth",   "Reverb Length",
                                     "Reverb Mix",     "Unison Notes",   "Unison Detune",
                                     "Vowel1 start",   "Vowel1 end",     "Vowel1 Morph",
                                     "Vowel2 start",   "Vowel2 end",     "Vowel2 Morph",
                                     "Granular Level", "Granular Time",  "Formants L",
                                     "Noise Color",    "Osc1 Shape",     "Osc2 Shape",
                                     "Osc1 FM",        "Osc2 FM"};
    for (std::int32_t i = 0; i < kNumParams; ++i) {
        char text[64];
        vsti->getParameterName(i, text);
        EXPECT_STREQ(text, names[i]);
        vsti->getParameterLabel(i, text);
        EXPECT_STREQ(text, (i >= 5 && i <= 12) ? "%" : " ") << i;
    }
}

TEST_F(ParameterTest, IndexesOutsideTheTableReadNothing) {
    for (std::int32_t index : {-1, 29, 1000, std::numeric_limits<std::int32_t>::min()}) {
        char text[64] = "unchanged";
        vsti->getParameterName(index, text);
        EXPECT_STREQ(text, "");
        vsti->getParameterLabel(index, text);
        EXPECT_STREQ(text, "");
        vsti->getParameterDisplay(index, text);
        EXPECT_STREQ(text, "");
        EXPECT_EQ(vsti->getParameter(index), 0.0f);
        vsti->setParameter(index, 0.3f);
    }
    EXPECT_EQ(vsti->getParameter(kLevel), 0.5f);
}

TEST_F(ParameterTest, VoicesKeepTheirQuantisedValue) {
    vsti->setParameter(kVoices, 0.5f);
    EXPECT_EQ(vsti->getParameter(kVoices), static_cast<float>(15.0 / 31.0));
    EXPECT_EQ(display(*vsti, kVoices), "16");
    EXPECT_EQ(vsti->voiceLimit(), 16);
    EXPECT_EQ(shown(kVoices, 1.0f), "32");
    EXPECT_EQ(vsti->getParameter(kVoices), 1.0f);
    EXPECT_EQ(shown(kVoices, 0.0f), "01");
}

TEST_F(ParameterTest, UnisonAndShapesQuantiseInStepsOfFourteenHundredths) {
    EXPECT_EQ(shown(kUnisonNotes, 0.5f), "04");
    // 3 x 0.14 with the single-precision step widened to double, rounded to float: just above
    // the float nearest to 0.42.
    EXPECT_EQ(vsti->getParameter(kUnisonNotes), 0x1.ae147cp-2f);
    EXPECT_EQ(shown(kUnisonNotes, 0.0f), "OFF");
    EXPECT_EQ(shown(kUnisonNotes, 1.0f), "08");
    EXPECT_EQ(vsti->getParameter(kUnisonNotes), 0.98f);
    // A kept value applied again gives the same count.
    vsti->setParameter(kUnisonNotes, vsti->getParameter(kUnisonNotes));
    EXPECT_EQ(display(*vsti, kUnisonNotes), "08");

    EXPECT_EQ(shown(kOsc1Shape, 0.0f), "1");
    EXPECT_EQ(shown(kOsc1Shape, 0.14f), "2");
    EXPECT_EQ(shown(kOsc1Shape, 0.98f), "8");
    EXPECT_EQ(shown(kOsc1Shape, 1.0f), "8");
}

TEST_F(ParameterTest, VowelsSelectRowsAndKeepHundredths) {
    EXPECT_EQ(shown(kVowel1Start, 0.22f), "Soprano I");
    EXPECT_EQ(vsti->getParameter(kVowel1Start), 0.22f);
    vsti->setParameter(kVowel1Start, 0.25f);
    EXPECT_EQ(vsti->getParameter(kVowel1Start), 0.25f);
    vsti->setParameter(kVowel1Start, 0.9f);
    EXPECT_EQ(vsti->getParameter(kVowel1Start), 0.26f);
    EXPECT_EQ(shown(kVowel2End, 0.0f), "Bass A");
    EXPECT_EQ(shown(kVowel2End, 0.243f), "Soprano U");
}

TEST_F(ParameterTest, DisplayTextsAtTheirBoundaries) {
    EXPECT_EQ(shown(kOsc2Detune, 0.625f), "12");
    EXPECT_EQ(shown(kOsc2Detune, 0.5f), "0");
    EXPECT_EQ(shown(kOsc2Detune, 0.0f), "-48");
    EXPECT_EQ(shown(kOsc2Detune, 1.0f), "48");
    EXPECT_EQ(shown(kMix1, 0.0f), "OFF");
    EXPECT_EQ(shown(kMix1, 0.05f), "005");
    EXPECT_EQ(shown(kMix1, 1.0f), "100");
    // The float nearest to 0.35 lies just below it.
    EXPECT_EQ(shown(kLevel, 0.35f), "34");
    EXPECT_EQ(shown(kGranularLevel, 0.0f), "OFF");
    EXPECT_EQ(shown(kReverbMix, 1.0f), "100");
}

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

TEST_F(ParameterTest, StepButtonsStopAtTheEnds) {
    vsti->setParameter(kOsc1Shape, 0.98f);
    vsti->incParam(kOsc1Shape);
    EXPECT_EQ(display(*vsti, kOsc1Shape), "8");
    vsti->setParameter(kOsc1Shape, 0.0f);
    vsti->decParam(kOsc1Shape);
    EXPECT_EQ(display(*vsti, kOsc1Shape), "1");
    vsti->incParam(kOsc1Shape);
    EXPECT_EQ(display(*vsti, kOsc1Shape), "2");
    // Host automation is told about editor steps.
    EXPECT_GE(host.count(vst2::audioMasterAutomate), 1);
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
