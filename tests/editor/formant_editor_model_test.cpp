#include "editor/formant_editor_model.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/my_vsti.h"
#include "editor/editor_layout.h"
#include "support/test_host.h"

namespace sorvella {
namespace {

constexpr MouseButtons kLeft{true, false, false, false, false};
constexpr MouseButtons kRight{false, true, false, false, false};
constexpr MouseButtons kRightFine{false, true, true, false, false};
constexpr MouseButtons kNone{};

// The table: cells of 51 x 20 from x 373, y 10; row 0 is the header.
PixelPoint inCell(std::int32_t row, std::int32_t column) {
    return {373 + 51 * column + 10, 10 + 20 * row + 5};
}

// "Vowel1 start" on the user-edited set, which holds "Bass A" (600, 1040, 2250, 2450, 2750 Hz).
class FormantEditor : public ::testing::Test {
  protected:
    FormantEditor() {
        vsti->setParameter(kVowel1Start, 0.26f);
        model.attach(0);
    }
    const MyFormantData& sounding(std::int32_t slot) {
        return static_cast<const MyFormantData&>(vsti->metaParameter(kFormant1Start + slot));
    }
    std::vector<float> spin(PixelPoint cell, MouseButtons buttons, int passes, int column) {
        model.press(cell, buttons);
        std::vector<float> values;
        for (int i = 0; i < passes && model.pass(cell, buttons); ++i) {
            const std::size_t f = static_cast<std::size_t>(model.selected());
            values.push_back(column == 0   ? sounding(0).frequencies[f]
                             : column == 1 ? sounding(0).bandwidths[f]
                                           : sounding(0).levels[f]);
        }
        EXPECT_FALSE(model.pass(cell, kNone));
        return values;
    }

    std::unique_ptr<MyVsti> vsti = testing::makeInstrument();
    FormantEditorModel model{*vsti, layout::kFormantGraph, layout::kFormantTable};
};

TEST_F(FormantEditor, HeldButtonsSpinValuesWithinTheirColumns) {
    EXPECT_EQ(spin(inCell(1, 0), kRight, 4, 0), (std::vector<float>{601, 603, 606, 610}));
    EXPECT_EQ(model.selected(), 0);
    // Bandwidth 70 of formant 2 falls faster and faster to 20 and stays.
    const std::vector<float> falling = spin(inCell(2, 1), kLeft, 12, 1);
    EXPECT_EQ(falling.front(), 69.0f);
    EXPECT_EQ(falling.back(), 20.0f);
    // Levels step by 0.01 dB, with Shift by 0.0001 dB.
    EXPECT_FLOAT_EQ(spin(inCell(3, 2), kRightFine, 1, 2).front(), -8.9999f);
    EXPECT_FLOAT_EQ(spin(inCell(3, 2), kLeft, 2, 2).back(), -9.0299f);
    // The frequency never leaves 50..11025 Hz, whatever the sample rate.
    vsti->setSampleRate(22050.0f);
    model.setSampleRate(22050.0f);
    EXPECT_EQ(spin(inCell(5, 0), kRight, 200, 0).back(), 11025.0f);
    EXPECT_EQ(spin(inCell(5, 0), kLeft, 200, 0).back(), 50.0f);
}

TEST_F(FormantEditor, AnEditIsHeardAtOnce) {
    // The same note through three instruments: one edited in the table, one whose set was changed
    // directly and then re-applied as a whole, one unedited.
    vsti->setParameter(kVowel1Morph, 0.0f);
    spin(inCell(1, 0), kRight, 4, 0);
    spin(inCell(2, 2), kLeft, 30, 2);
    auto reference = testing::makeInstrument();
    reference->setParameter(kVowel1Start, 0.26f);
    reference->setParameter(kVowel1Morph, 0.0f);
    auto& set = static_cast<MyFormantData&>(reference->metaParameter(kFormant1Start));
    set.frequencies[0] = 610.0f;
    set.levels[1] = sounding(0).levels[1];
    reference->setSampleRate(44100.0f);
    auto unedited = testing::makeInstrument();
    unedited->setParameter(kVowel1Start, 0.26f);
    unedited->setParameter(kVowel1Morph, 0.0f);

    std::vector<float> out[3][2];
    MyVsti* instruments[3] = {vsti.get(), reference.get(), unedited.get()};
    for (int i = 0; i < 3; ++i) {
        testing::sendMidi(*instruments[i], 0, 0x90, 60, 100);
        testing::render(*instruments[i], out[i][0], out[i][1], 4096);
    }
    EXPECT_EQ(out[0][0], out[1][0]);
    EXPECT_EQ(out[0][1], out[1][1]);
    EXPECT_NE(out[0][0], out[2][0]);
}

}  // namespace
}  // namespace sorvella
