#include <gtest/gtest.h>

#include <bit>
#include <climits>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "platform/error_box.h"
#include "presets/preset_chunk.h"
#include "support/test_host.h"
#include "tests/presets/chunk_test_support.h"

namespace sorvella {
namespace {

using testing::chunkBytes;
using testing::editWorkingProgram;
using testing::putWord;
using testing::stateOf;
using testing::wordAt;

// Offsets in a preset chunk: head, record (name, values, curves, formant sets), reserved, view.
constexpr std::size_t kRecordAt = 12;
constexpr std::size_t kValuesAt = kRecordAt + 25;
constexpr std::size_t kCurvesAt = kRecordAt + 141;
constexpr std::size_t kCurveBytes = 176;
constexpr std::size_t kFormantsAt = kCurvesAt + 3 * kCurveBytes;
constexpr std::size_t kRecordBytes = 909;
constexpr std::size_t kViewAt = kRecordAt + kRecordBytes + 64;

class PresetChunkTest : public ::testing::Test {
  protected:
    std::int32_t load(MyVsti& instrument, std::vector<std::uint8_t> bytes, bool isPreset) {
        return instrument.setChunk(bytes.data(), static_cast<std::int32_t>(bytes.size()), isPreset);
    }
    // Loads bytes that must be refused with one message, and checks that nothing changed.
    void expectRefused(std::vector<std::uint8_t> bytes, bool isPreset, const char* message) {
        const std::vector<std::uint8_t> before = stateOf(*target);
        boxes.boxes.clear();
        EXPECT_EQ(load(*target, bytes, isPreset), 0);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, message);
        EXPECT_EQ(stateOf(*target), before);
    }

    testing::HostRecorder host;
    testing::CapturedBoxes boxes;
    std::unique_ptr<MyVsti> source = testing::makeInstrument();
    std::unique_ptr<MyVsti> target = testing::makeInstrument();
};

TEST_F(PresetChunkTest, PresetAndBankRoundTripByteForByte) {
    for (std::int32_t p = 0; p < kNumPrograms; ++p) {
        source->setProgram(p);
        editWorkingProgram(*source, ("Program " + std::to_string(p)).c_str(),
                           static_cast<float>(p));
        source->storeProgram(p);
    }
    source->setProgram(6);
    editWorkingProgram(*source, "Unsaved edit", 9.0f);

    const std::vector<std::uint8_t> bank = chunkBytes(*source, false);
    ASSERT_EQ(load(*target, bank, false), 1);
    EXPECT_EQ(target->getProgram(), 6);
    EXPECT_EQ(chunkBytes(*target, false), bank);
    EXPECT_STREQ(target->workingProgram().name(), "Unsaved edit");

    auto fresh = testing::makeInstrument();
    const std::vector<std::uint8_t> preset = chunkBytes(*source, true);
    ASSERT_EQ(load(*fresh, preset, true), 1);
    std::vector<std::uint8_t> again = chunkBytes(*fresh, true);
    putWord(again, 8, 6);  // the fresh instrument stored it as its program 0
    EXPECT_EQ(again, preset);
    for (std::int32_t i = 0; i < kNumParams; ++i)
        EXPECT_EQ(fresh->getParameter(i), source->getParameter(i)) << i;
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(PresetChunkTest, SavingStateWhilePlayingKeepsTheNotesSounding) {
    testing::sendMidi(*source, 0, 0x90, 60, 100);
    std::vector<float> l, r;
    testing::render(*source, l, r, 256);
    ASSERT_EQ(source->soundingVoices(), 1);
    chunkBytes(*source, true);
    chunkBytes(*source, false);
    EXPECT_EQ(source->soundingVoices(), 1);
}

TEST_F(PresetChunkTest, APresetLoadsIntoTheCurrentSlotWhateverItsStoredIndex) {
    source->setProgram(5);
    editWorkingProgram(*source, "From five", 3.0f);
    std::vector<std::uint8_t> preset = chunkBytes(*source, true);
    ASSERT_EQ(wordAt(preset, 8), 5u);

    target->setProgram(2);
    const std::vector<std::uint8_t> slot5Before = chunkBytes(*target, false);
    ASSERT_EQ(load(*target, preset, true), 1);
    EXPECT_EQ(target->getProgram(), 2);
    EXPECT_STREQ(target->programSlot(2).name(), "From five");
    EXPECT_STREQ(target->workingProgram().name(), "From five");
    EXPECT_STREQ(target->programSlot(5).name(), "Default");
    EXPECT_EQ(target->programSlot(5).value(3), 0.68f);
}

TEST_F(PresetChunkTest, AVersionOneChunkKeepsTheFormantSets) {
    editWorkingProgram(*source, "Old", 2.0f);
    std::vector<std::uint8_t> v2 = chunkBytes(*source, true);
    std::vector<std::uint8_t> v1(v2.begin(), v2.begin() + kFormantsAt);
    v1.insert(v1.end(), v2.end() - 72, v2.end());
    putWord(v1, 4, 1);
    ASSERT_EQ(v1.size(), 753u);

    auto& formant = static_cast<MyFormantData&>(target->metaParameter(kFormant2End));
    formant.frequencies[2] = 777.0f;
    target->storeProgram(0);
    ASSERT_EQ(load(*target, v1, true), 1);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_STREQ(target->workingProgram().name(), "Old");
    const auto& kept = static_cast<MyFormantData&>(target->metaParameter(kFormant2End));
    EXPECT_EQ(kept.frequencies[2], 777.0f);
    const auto& curve = static_cast<MyEnvData&>(target->metaParameter(kCurveOsc2));
    EXPECT_EQ(curve.levels()[0], 0.5f);  // from the chunk: 0.25 + 2/8
}

TEST_F(PresetChunkTest, TheHeadIsCheckedMagicThenSizeThenVersion) {
    const std::vector<std::uint8_t> bank = chunkBytes(*source, false);
    const std::uint32_t notMagic = wordAt(bank, 0) ^ 1;
    const char* invalid = "Invalid file format";
    // Words written into the head (magic at 0, version at 4, program at 8), and a byte taken or
    // added.
    struct Case {
        std::vector<std::pair<std::size_t, std::uint32_t>> words;
        int extra;
        const char* message;
    };
    // A bank naming a program outside 0..7 left the working program unselected, and the next
    // save wrote it over slot 0. Versions below 1 were accepted.
    const Case cases[] = {
        {{{0, notMagic}}, 0, invalid},
        {{}, -1, invalid},
        {{}, 1, invalid},
        {{{4, 3}}, 0, "This file was created with a more recent version of the program"},
        {{{4, 3}}, 1, invalid},
        {{{0, notMagic}, {4, 3}}, 0, invalid},
        {{{8, 8}}, 0, invalid},
        {{{8, static_cast<std::uint32_t>(-1)}}, 0, invalid},
        {{{8, static_cast<std::uint32_t>(INT_MIN)}}, 0, invalid},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> bad = bank;
        for (const auto& [at, word] : c.words)
            putWord(bad, at, word);
        if (c.extra < 0) bad.pop_back();
        if (c.extra > 0) bad.push_back(0);
        expectRefused(bad, false, c.message);
    }
    for (bool isPreset : {true, false}) {
        // A preset chunk is not a bank chunk, nor the other way round.
        expectRefused(chunkBytes(*source, !isPreset), isPreset, invalid);
        for (std::int32_t version : {-5, 0, INT_MIN}) {
            std::vector<std::uint8_t> bad = chunkBytes(*source, isPreset);
            putWord(bad, 4, static_cast<std::uint32_t>(version));
            expectRefused(bad, isPreset, invalid);
        }
    }
}

TEST_F(PresetChunkTest, EveryTruncationIsRefused) {
    const std::vector<std::uint8_t> preset = chunkBytes(*source, true);
    const std::vector<std::uint8_t> before = stateOf(*target);
    for (std::size_t n = 0; n < preset.size(); ++n) {
        boxes.boxes.clear();
        std::vector<std::uint8_t> cut(preset.begin(), preset.begin() + static_cast<long>(n));
        EXPECT_EQ(target->setChunk(cut.data(), static_cast<std::int32_t>(n), true), 0) << n;
        ASSERT_EQ(boxes.boxes.size(), 1u) << n;
        EXPECT_EQ(boxes.boxes[0].text, "Invalid file format") << n;
    }
    EXPECT_EQ(target->setChunk(nullptr, 993, true), 0);
    EXPECT_EQ(target->setChunk(const_cast<std::uint8_t*>(preset.data()), -4, true), 0);
    EXPECT_EQ(stateOf(*target), before);
}

TEST_F(PresetChunkTest, CraftedRecordsAreRefusedAndChangeNothing) {
    editWorkingProgram(*target, "Keep me", 1.0f);
    target->storeProgram(0);
    const std::vector<std::uint8_t> preset = chunkBytes(*source, true);
    const std::uint32_t nan = std::bit_cast<std::uint32_t>(std::numeric_limits<float>::quiet_NaN());
    const std::uint32_t inf = std::bit_cast<std::uint32_t>(std::numeric_limits<float>::infinity());
    const std::pair<std::size_t, std::uint32_t> damage[] = {
        {kValuesAt + 4 * 28, nan},
        {kCurvesAt + kCurveBytes, 9},                // Osc2 point count beyond the capacity of 8
        {kCurvesAt + 2 * kCurveBytes, 0xFFFFFFFFu},  // negative point count
        {kCurvesAt + 4, 100},                        // loop start far past the points
        {kCurvesAt + 8, 0x7FFFFFFF},                 // loop length running past the points
        {kCurvesAt + 12, inf},                       // first duration
        {kFormantsAt + 3 * 60 + 4, nan},             // a frequency of "Formant2 End"
        {kViewAt, nan}};
    for (const auto& [at, word] : damage) {
        SCOPED_TRACE(at);
        std::vector<std::uint8_t> bad = preset;
        putWord(bad, at, word);
        expectRefused(bad, true, "Invalid file format");
    }
    // A bank whose last program is bad changes none of the seven good ones.
    std::vector<std::uint8_t> bank = chunkBytes(*source, false);
    putWord(bank, kRecordAt + 7 * kRecordBytes + 25, nan);
    expectRefused(bank, false, "Invalid file format");
}

// A formant level of +60 dB made a note peak at +44 dBFS. Values beyond the editor's limits in
// a dangerous direction are refused; the limits themselves, and quieter levels, load.
TEST_F(PresetChunkTest, FormantValuesBeyondTheEditorsLimitsAreRefused) {
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
    // Banks check each record as presets do (see CraftedRecordsAreRefusedAndChangeNothing).
    for (const Field& field : fields) {
        SCOPED_TRACE(::testing::Message()
                     << "set " << field.set << " at " << field.offset << " = " << field.value);
        std::vector<std::uint8_t> bytes = chunkBytes(*source, true);
        putWord(bytes, kFormantsAt + field.set * 60 + field.offset,
                std::bit_cast<std::uint32_t>(field.value));
        if (field.loads) {
            boxes.boxes.clear();
            EXPECT_EQ(load(*target, bytes, true), 1);
            EXPECT_TRUE(boxes.boxes.empty());
        } else {
            expectRefused(bytes, true, "Invalid file format");
        }
    }
}

TEST_F(PresetChunkTest, TheEditorViewTravelsWithTheChunk) {
    testing::ViewEditor* sourceEditor = nullptr;
    auto withEditor = [&sourceEditor](MyVsti&) -> InstrumentEditor* {
        sourceEditor = new testing::ViewEditor;
        return sourceEditor;
    };
    MyVsti viewed(&testing::HostRecorder::callback, withEditor);
    ASSERT_NE(sourceEditor, nullptr);
    sourceEditor->zoom = 2.5f;
    sourceEditor->scroll = -120.25f;
    std::vector<std::uint8_t> preset = chunkBytes(viewed, true);
    EXPECT_EQ(std::bit_cast<float>(wordAt(preset, kViewAt)), 2.5f);
    EXPECT_EQ(std::bit_cast<float>(wordAt(preset, kViewAt + 4)), -120.25f);

    sourceEditor->zoom = 1.0f;
    sourceEditor->scroll = 0.0f;
    ASSERT_EQ(load(viewed, preset, true), 1);
    EXPECT_EQ(sourceEditor->zoom, 2.5f);
    EXPECT_EQ(sourceEditor->scroll, -120.25f);

    // Without an editor the view block is read past and ignored.
    EXPECT_EQ(load(*target, preset, true), 1);
}

}  // namespace
}  // namespace sorvella
