#include "editor/formant_editor_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
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

TEST_F(FormantEditor, TheTableAnswersOnlyInsideWholeCells) {
    struct Case {
        PixelPoint at;
        std::optional<FormantCell> cell;
    };
    const Case cases[] = {
        {{373, 10}, FormantCell{0, 0}},
        {{525, 129}, FormantCell{5, 2}},  // the last whole cell's last pixel
        {{526, 50}, std::nullopt},        // the strip right of the third column
        {{400, 130}, std::nullopt},       // the bottom edge would be formant 6 of 5
        {{372, 50}, std::nullopt},
        {{400, 9}, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(model.cellAt(c.at), c.cell) << c.at.x << ", " << c.at.y;
    }
    // A header click and a click beside the cells select nothing and change nothing.
    model.selectFormant(2);
    for (PixelPoint p : {inCell(0, 1), PixelPoint{400, 130}}) {
        model.press(p, kRight);
        EXPECT_FALSE(model.pass(p, kRight));
        EXPECT_EQ(model.selected(), 2);
    }
    EXPECT_EQ(sounding(0).frequencies[2], 2250.0f);
}

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

TEST_F(FormantEditor, GraphAxesGridAndZoom) {
    std::vector<FrequencyGridLine> grid;
    // No rate set yet: 44100. Rates that are not finite and positive are ignored.
    model.setSampleRate(0.0f);
    model.setSampleRate(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(model.sampleRate(), 44100.0f);
    model.frequencyGrid(grid);
    std::vector<std::int32_t> hertz;
    for (const auto& line : grid)
        hertz.push_back(line.hertz);
    EXPECT_EQ(hertz, (std::vector<std::int32_t>{250, 500, 1000, 2000, 4000}));
    EXPECT_EQ(grid[3].x, 166);
    // Upward drags in the graph zoom out by 1.1 until the next step would pass 1.0.
    PixelPoint p{100, 100};
    model.press(p, kLeft);
    for (int i = 0; i < 30; ++i) {
        p.y -= 5;
        EXPECT_TRUE(model.pass(p, kLeft));
    }
    float expected = 0.2f;
    for (int i = 0; i < 16; ++i)
        expected *= 1.1f;
    EXPECT_FLOAT_EQ(model.zoom(), expected);
    model.setZoom(1.0f);
    model.frequencyGrid(grid);
    EXPECT_EQ(grid.front().hertz, 2000);
    EXPECT_EQ(grid.size(), 4u);
    // The first formant (600 Hz, 0 dB) peaks at the graph's top near its frequency's column.
    model.setZoom(0.2f);
    std::vector<PixelPoint> curve;
    model.responseCurve(0, curve);
    ASSERT_EQ(curve.size(), 368u);
    const auto peak = std::min_element(curve.begin(), curve.end(),
                                       [](PixelPoint a, PixelPoint b) { return a.y < b.y; });
    EXPECT_EQ(peak->y, 10);
    EXPECT_NEAR(peak->x, model.xOfUnit(2.0f * 600.0f / 44100.0f), 2);
    EXPECT_GT(curve.back().y, 10 + 40);
}

TEST_F(FormantEditor, CellTexts) {
    vsti->setParameter(kVowel1Start, 0.04f);  // "Bass U": 350, 600, 2400, 2675, 2950 Hz
    model.pull();
    char text[32];
    const struct {
        std::int32_t row;
        std::int32_t column;
        const char* shown;
    } cases[] = {
        {0, 0, "Frequency"},
        {2, 0, "600 Hz"},
        {4, 0, "2675 Hz"},
        {2, 2, "-20.00 dB"},
    };
    for (const auto& c : cases) {
        model.cellText(c.row, c.column, text, sizeof text);
        EXPECT_STREQ(text, c.shown);
    }
    model.cellText(2, 0, text, 4);
    EXPECT_STREQ(text, "600");
}

}  // namespace
}  // namespace sorvella
