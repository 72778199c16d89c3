#include "engine/tables.h"

#include <gtest/gtest.h>

#include <limits>
#include <utility>
#include <vector>

namespace sorvella {
namespace {

class TablesTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(buildTables()); }
    void TearDown() override { releaseTables(); }
};

TEST_F(TablesTest, TuningsRebuildTheNoteFrequenciesAndBrokenEntriesFallBack) {
    const std::vector<float> equal(noteFrequencyTable(), noteFrequencyTable() + kMidiNotes);
    EXPECT_EQ(equal[69], 880.0f);
    EXPECT_EQ(equal[81], 1760.0072f);
    centsTable()[69] = 6800.0f;
    centsTable()[70] = 6900.0f;
    centsTable()[10] = std::numeric_limits<float>::quiet_NaN();
    centsTable()[11] = std::numeric_limits<float>::infinity();
    centsTable()[12] = 1e9f;  // the power overflows
    rebuildNoteFrequencies();
    EXPECT_EQ(noteFrequencyTable()[69], equal[68]);
    EXPECT_EQ(noteFrequencyTable()[70], 880.0f);
    for (int i : {10, 11, 12, 71})
        EXPECT_EQ(noteFrequencyTable()[i], equal[i]) << i;
    resetCents();
    rebuildNoteFrequencies();
    EXPECT_EQ(std::vector<float>(noteFrequencyTable(), noteFrequencyTable() + kMidiNotes), equal);
}

}  // namespace
}  // namespace sorvella
