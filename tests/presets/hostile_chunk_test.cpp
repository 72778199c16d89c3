// Chunks no instrument writes, as validators and crafted files hand them over: each is refused
// with "Invalid file format" and changes nothing.
#include <gtest/gtest.h>

#include <bit>
#include <climits>
#include <memory>
#include <vector>

#include "platform/error_box.h"
#include "support/test_host.h"
#include "tests/presets/chunk_test_support.h"

namespace sorvella {
namespace {

using testing::chunkBytes;
using testing::putWord;
using testing::stateOf;

// A preset chunk's formant sets: five frequencies, five bandwidths and five levels each.
constexpr std::size_t kFormantsAt = 12 + 141 + 3 * 176;
constexpr std::size_t kFormantSetBytes = 60;
constexpr std::size_t kBankRecordBytes = 909;

class HostileChunkTest : public ::testing::Test {
  protected:
    HostileChunkTest() {
        testing::editWorkingProgram(*target, "Keep me", 1.0f);
        target->storeProgram(0);
    }
    std::int32_t load(std::vector<std::uint8_t> bytes, bool isPreset) {
        return target->setChunk(bytes.data(), static_cast<std::int32_t>(bytes.size()), isPreset);
    }
    void expectRefused(const std::vector<std::uint8_t>& bytes, bool isPreset) {
        const std::vector<std::uint8_t> before = stateOf(*target);
        boxes.boxes.clear();
        EXPECT_EQ(load(bytes, isPreset), 0);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, "Invalid file format");
        EXPECT_EQ(stateOf(*target), before);
    }

    testing::HostRecorder host;
    testing::CapturedBoxes boxes;
    std::unique_ptr<MyVsti> source = testing::makeInstrument();
    std::unique_ptr<MyVsti> target = testing::makeInstrument();
};

// A formant level of +60 dB made a note peak at +44 dBFS. Values beyond the editor's limits in
// a dangerous direction are refused; the limits themselves, and quieter levels, load.
TEST_F(HostileChunkTest, FormantValuesBeyondTheEditorsLimitsAreRefused) {
    struct Field {
        std::size_t set, offset;  // offset in the set: 0 frequencies, 20 bandwidths, 40 levels
        float value;
        bool loads;
    };
    const Field fields[] = {
        {3, 40, 60.0f, false},    {0, 44, 0.01f, false},  {1, 0, 49.0f, false},
        {2, 16, 22050.0f, false}, {3, 20, 5.0f, false},   {0, 24, -40.0f, false},
        {1, 40, 0.0f, true},      {2, 44, -120.0f, true}, {0, 0, 50.0f, true},
        {3, 16, 11025.0f, true},  {1, 20, 20.0f, true},   {2, 24, 5000.0f, true},
    };
    for (bool isPreset : {true, false}) {
        for (const Field& field : fields) {
            SCOPED_TRACE(::testing::Message() << "set " << field.set << " at " << field.offset
                                              << " = " << field.value << " preset " << isPreset);
            std::vector<std::uint8_t> bytes = chunkBytes(*source, isPreset);
            // In a bank, the last program holds the value.
            const std::size_t record = isPreset ? 0 : 7 * kBankRecordBytes;
            putWord(bytes, record + kFormantsAt + field.set * kFormantSetBytes + field.offset,
                    std::bit_cast<std::uint32_t>(field.value));
            if (field.loads) {
                boxes.boxes.clear();
                EXPECT_EQ(load(bytes, isPreset), 1);
                EXPECT_TRUE(boxes.boxes.empty());
            } else {
                expectRefused(bytes, isPreset);
            }
        }
    }
}

// A bank naming a program outside 0..7 left the working program unselected, and the next save
// wrote it over slot 0. Versions other than 1 and 2 were accepted.
TEST_F(HostileChunkTest, BadProgramWordsAndVersionsAreRefused) {
    const std::vector<std::uint8_t> bank = chunkBytes(*source, false);
    for (std::int32_t program : {8, -1, 1000, INT_MIN}) {
        SCOPED_TRACE(program);
        std::vector<std::uint8_t> bad = bank;
        putWord(bad, 8, static_cast<std::uint32_t>(program));
        expectRefused(bad, false);
    }
    for (bool isPreset : {true, false}) {
        for (std::int32_t version : {-5, 0, INT_MIN}) {
            SCOPED_TRACE(::testing::Message() << "version " << version << " preset " << isPreset);
            std::vector<std::uint8_t> bad = chunkBytes(*source, isPreset);
            putWord(bad, 4, static_cast<std::uint32_t>(version));
            expectRefused(bad, isPreset);
        }
    }
    EXPECT_STREQ(target->programSlot(0).name(), "Keep me");
}

}  // namespace
}  // namespace sorvella
