#include "engine/tables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "engine/unison_stack.h"

namespace sorvella {
namespace {

class TablesTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(buildTables()); }
    void TearDown() override { releaseTables(); }
};

TEST_F(TablesTest, NoteFrequenciesOfTheDefaultTuning) {
    const float* f = noteFrequencyTable();
    EXPECT_EQ(f[69], 880.0f);
    EXPECT_EQ(f[81], 1760.0072f);
    EXPECT_EQ(f[57], 439.9982f);
    for (int i = 1; i < kMidiNotes; ++i) {
        EXPECT_NEAR(f[i] / f[i - 1], 1.0594631f, 2e-5f) << i;
    }
}

TEST_F(TablesTest, CentsDefaultAndReset) {
    float* cents = centsTable();
    for (int i = 0; i < kMidiNotes; ++i)
        EXPECT_EQ(cents[i], 100.0f * static_cast<float>(i));
    cents[5] = 1234.5f;
    resetCents();
    EXPECT_EQ(cents[5], 500.0f);
}

TEST_F(TablesTest, RebuildFollowsTheCents) {
    const std::vector<float> equal(noteFrequencyTable(), noteFrequencyTable() + kMidiNotes);
    centsTable()[69] = 6800.0f;
    centsTable()[70] = 6900.0f;
    rebuildNoteFrequencies();
    EXPECT_EQ(noteFrequencyTable()[69], equal[68]);
    EXPECT_EQ(noteFrequencyTable()[70], 880.0f);
    EXPECT_EQ(noteFrequencyTable()[71], equal[71]);
}

TEST_F(TablesTest, BrokenTuningEntriesFallBackToEqualTemperament) {
    const std::vector<float> equal(noteFrequencyTable(), noteFrequencyTable() + kMidiNotes);
    centsTable()[10] = std::numeric_limits<float>::quiet_NaN();
    centsTable()[11] = std::numeric_limits<float>::infinity();
    centsTable()[12] = 1e9f;  // the power overflows
    rebuildNoteFrequencies();
    for (int i : {10, 11, 12})
        EXPECT_EQ(noteFrequencyTable()[i], equal[i]) << i;
}

TEST_F(TablesTest, BendFactors) {
    const float* bend = bendFactorTable();
    EXPECT_EQ(bend[64], 1.0f);
    EXPECT_NEAR(bend[0], 0.8908987f, 1e-6f);  // two semitones down
    EXPECT_LT(bend[127], 1.1224620f);
    EXPECT_GT(bend[127], 1.12f);
    for (int i = 1; i < kBendValues; ++i)
        EXPECT_GT(bend[i], bend[i - 1]);
}

TEST_F(TablesTest, WaveShapesArePulsesOfFallingWidth) {
    for (int n = 0; n < kWaveShapes; ++n) {
        const float* t = waveTable(n);
        EXPECT_EQ(t[0], 0.0f) << n;
        int peak = 0;
        for (int i = 0; i < kWaveTableSize; ++i) {
            ASSERT_GE(t[i], 0.0f);
            ASSERT_LE(t[i], 1.0f);
            if (t[i] > t[peak]) peak = i;
            // Higher shapes are higher powers of the same pulse.
            if (n > 0) {
                ASSERT_LE(t[i], waveTable(n - 1)[i]);
            }
        }
        // The phase grows with x squared: the pulse rises slowly and falls fast.
        EXPECT_GT(peak, kWaveTableSize / 2) << n;
        EXPECT_GT(t[peak], 0.999f) << n;
        EXPECT_LT(t[kWaveTableSize - 1], 1e-3f) << n;
    }
    EXPECT_EQ(waveTable(-3), waveTable(0));
    EXPECT_EQ(waveTable(99), waveTable(7));
}

TEST_F(TablesTest, LifecycleAndRebuildRestoresEqualTemperament) {
    EXPECT_TRUE(tablesBuilt());
    centsTable()[69] = 0.0f;
    rebuildNoteFrequencies();
    ASSERT_TRUE(buildTables());
    EXPECT_EQ(noteFrequencyTable()[69], 880.0f);
    releaseTables();
    EXPECT_FALSE(tablesBuilt());
    EXPECT_EQ(waveTable(0), nullptr);
    EXPECT_EQ(centsTable(), nullptr);
    EXPECT_EQ(noteFrequencyTable(), nullptr);
    EXPECT_EQ(bendFactorTable(), nullptr);
    ASSERT_TRUE(buildTables());
    EXPECT_EQ(noteFrequencyTable()[81], 1760.0072f);
}

TEST(ShapeValueTest, SelectsShapes) {
    EXPECT_EQ(shapeFromValue(0.0f), 0);
    EXPECT_EQ(shapeFromValue(0.14f), 1);
    EXPECT_EQ(shapeFromValue(0.98f), 7);
    EXPECT_EQ(shapeFromValue(1.0f), 7);
    EXPECT_EQ(shapeFromValue(0.125f), 0);  // 0.99 truncates to 0
    EXPECT_EQ(shapeFromValue(0.127f), 1);
    EXPECT_EQ(shapeFromValue(-0.5f), 0);
    EXPECT_EQ(shapeFromValue(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(shapeFromValue(1e30f), 7);
}

TEST(ShapeValueTest, KeptValuesSelectTheirShape) {
    EXPECT_EQ(shapeKeptValue(0), 0.0f);
    EXPECT_EQ(shapeKeptValue(1), 0.14f);
    EXPECT_EQ(shapeKeptValue(7), 0.98f);
    EXPECT_EQ(shapeKeptValue(12), 0.98f);
    for (int n = 0; n < kWaveShapes; ++n)
        EXPECT_EQ(shapeFromValue(shapeKeptValue(n)), n);
}

TEST(WaveTableReadTest, InterpolatesAndWraps) {
    std::vector<float> ramp(kWaveTableSize);
    for (int i = 0; i < kWaveTableSize; ++i)
        ramp[i] = static_cast<float>(i);
    const float* t = ramp.data();
    const float cell = 1.0f / kWaveTableSize;
    EXPECT_EQ(readStackTable(t, 0.0f), 0.0f);
    EXPECT_EQ(readStackTable(t, 3.0f * cell), 3.0f);  // odd x takes the lower cell with f = 1
    EXPECT_EQ(readStackTable(t, 100.25f * cell), 100.25f);
    EXPECT_EQ(readStackTable(t, 0.25f), 2048.0f);
    EXPECT_EQ(readStackTable(t, 3.25f), 2048.0f);
    // Between the last entry and the first the table wraps around.
    EXPECT_EQ(readStackTable(t, 8191.5f * cell), 8191.0f * 0.5f);
    EXPECT_EQ(readStackTable(t, -0.5f * cell), 8191.0f * 0.5f);
    EXPECT_EQ(readStackTable(t, -0.75f), 2048.0f);
}

}  // namespace
}  // namespace sorvella
