// The helpers that turn musical settings into parameter values, checked through the instrument's
// own displays: every value must select exactly the setting it names.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "core/my_vsti.h"
#include "engine/vowel_table.h"
#include "tests/factory_bank/bank_test_host.h"
#include "tools/factory_bank/program_values.h"

namespace sorvella::factory {
namespace {

class ProgramValuesTest : public ::testing::Test {
  protected:
    std::string shown(ParameterIndex index, float value) {
        instrument->setParameter(index, value);
        char text[64] = {};
        instrument->getParameterDisplay(index, text);
        return text;
    }

    std::unique_ptr<MyVsti> instrument = makeBankTestInstrument();
};

TEST_F(ProgramValuesTest, EverySemitoneFromMinus48To48SelectsItself) {
    for (std::int32_t s = -48; s <= 48; ++s)
        EXPECT_EQ(shown(kOsc2Detune, osc2Semitones(s)), std::to_string(s));
    EXPECT_EQ(shown(kOsc2Detune, osc2Semitones(60)), "48");
}

TEST_F(ProgramValuesTest, VowelsSelectTheirRowAndTheEditedSetIsKept) {
    for (std::int32_t row = 0; row < kVowelCount; ++row) {
        EXPECT_EQ(shown(kVowel1Start, vowel(static_cast<Vowel>(row))),
                  kVowelTable[static_cast<std::size_t>(row)].name);
    }
    instrument->setParameter(kVowel2End, vowel(kEditedSet));
    EXPECT_FLOAT_EQ(instrument->getParameter(kVowel2End), 0.25f);
}

TEST_F(ProgramValuesTest, CountsAndShapesSelectTheNumberTheyName) {
    EXPECT_EQ(shown(kUnisonNotes, unisonCopies(1)), "OFF");
    char expected[16];
    for (std::int32_t n = 2; n <= 8; ++n) {
        std::snprintf(expected, sizeof expected, "%02d", n);
        EXPECT_EQ(shown(kUnisonNotes, unisonCopies(n)), expected);
    }
    for (std::int32_t n = 1; n <= 8; ++n) {
        EXPECT_EQ(shown(kOsc1Shape, waveShape(n)), std::to_string(n));
        EXPECT_EQ(shown(kOsc2Shape, waveShape(n)), std::to_string(n));
    }
    for (std::int32_t n = 1; n <= 32; ++n) {
        std::snprintf(expected, sizeof expected, "%02d", n);
        EXPECT_EQ(shown(kVoices, polyphony(n)), expected);
        EXPECT_EQ(instrument->voiceLimit(), n);
    }
}

TEST_F(ProgramValuesTest, TheDefaultsSoundLikeTheDefaultProgram) {
    auto reference = makeBankTestInstrument();
    applyValues(*instrument, ProgramValues{});
    for (std::int32_t i = 0; i < kNumParams; ++i) {
        char ours[64] = {};
        char theirs[64] = {};
        instrument->getParameterDisplay(i, ours);
        reference->getParameterDisplay(i, theirs);
        EXPECT_STREQ(ours, theirs) << "parameter " << i;
    }
}

}  // namespace
}  // namespace sorvella::factory
