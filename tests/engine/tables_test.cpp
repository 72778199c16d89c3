#include "engine/tables.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace sorvella {
namespace {

// The default tuning's frequencies come from single-precision factors; entries of a broken tuning
// fall back to equal temperament.
TEST(Tables, NoteFrequenciesOfTheDefaultAndOfBrokenTunings) {
    ASSERT_TRUE(buildTables());
    const std::vector<float> equal(noteFrequencyTable(), noteFrequencyTable() + kMidiNotes);
    EXPECT_EQ(equal[57], 439.9982f);
    EXPECT_EQ(equal[69], 880.0f);
    EXPECT_EQ(equal[81], 1760.0072f);
    centsTable()[69] = 6800.0f;
    centsTable()[10] = std::numeric_limits<float>::quiet_NaN();
    centsTable()[11] = std::numeric_limits<float>::infinity();
    centsTable()[12] = 1e9f;  // the power overflows
    rebuildNoteFrequencies();
    EXPECT_EQ(noteFrequencyTable()[69], equal[68]);
    for (int i : {10, 11, 12, 70})
        EXPECT_EQ(noteFrequencyTable()[i], equal[i]) << i;
    resetCents();
    rebuildNoteFrequencies();
    EXPECT_EQ(std::vector<float>(noteFrequencyTable(), noteFrequencyTable() + kMidiNotes), equal);
    releaseTables();
}

}  // namespace
}  // namespace sorvella
