#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/fx_files.h"
#include "platform/error_box.h"
#include "support/temp_dir.h"
#include "support/test_host.h"
#include "tests/presets/chunk_test_support.h"

namespace sorvella {
namespace {

using testing::chunkBytes;
using testing::stateOf;
using testing::wordAt;

using test::readBytes;
using test::writeBytes;

class FxFilesTest : public ::testing::Test {
  protected:
    std::string path(const char* name) const { return (dir / name).string(); }

    test::TempDir dir{"sorvella-fx"};
    testing::HostRecorder host;
    testing::CapturedBoxes boxes;
    std::unique_ptr<MyVsti> source = testing::makeInstrument();
    std::unique_ptr<MyVsti> target = testing::makeInstrument();
};

TEST_F(FxFilesTest, APatchFileHasItsHeaderAndThePresetChunk) {
    source->setProgram(3);
    source->setProgramName("A name of 24 characters!");
    ASSERT_TRUE(savePatchFile(*source, path("p.fxp").c_str()));
    std::vector<std::uint8_t> file = readBytes(dir / "p.fxp");
    ASSERT_EQ(file.size(), 1053u);
    // Magic, byte size 0, type, format version 1, id, version 2 and 29 parameters; then the
    // working program's name, which reached the slot before the header was written.
    EXPECT_EQ(std::string(file.begin(), file.begin() + 56),
              std::string("CcnK\0\0\0\0FPCh\0\0\0\1SORV\0\0\0\2\0\0\0\35"
                          "A name of 24 characters!\0\0\0\0",
                          56));
    EXPECT_EQ(wordAt(file, 56), 993u);
    EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 60, file.end()), chunkBytes(*source, true));
    ASSERT_EQ(chmod(path("p.fxp").c_str(), 0444), 0);  // a read-only file loads
    ASSERT_TRUE(loadPatchFile(*target, path("p.fxp").c_str()));
    const std::vector<std::uint8_t> loaded = chunkBytes(*target, true);
    EXPECT_EQ(std::vector<std::uint8_t>(loaded.begin() + 12, loaded.end()),
              std::vector<std::uint8_t>(file.begin() + 72, file.end()));  // after the slot index
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(FxFilesTest, LoadingABankSelectsItsProgramThenProgramZero) {
    testing::ViewEditor* editor = nullptr;
    MyVsti viewed(&testing::HostRecorder::callback, [&editor](MyVsti&) -> InstrumentEditor* {
        editor = new testing::ViewEditor;
        return editor;
    });
    source->setProgram(0);
    source->setProgramName("Zero");
    source->storeProgram(0);
    source->setProgram(6);
    source->setProgramName("Six");
    ASSERT_TRUE(saveBankFile(*source, path("b.fxb").c_str()));

    viewed.setProgram(3);
    editor->shownNames.clear();
    ASSERT_TRUE(loadBankFile(viewed, path("b.fxb").c_str()));
    EXPECT_EQ(editor->shownNames, (std::vector<std::string>{"Six", "Zero"}));
    EXPECT_EQ(viewed.getProgram(), 0);

    // Program 0 is selected even when the chunk is refused.
    std::vector<std::uint8_t> bad = readBytes(dir / "b.fxb");
    bad[160] = 'X';
    writeBytes(dir / "bad.fxb", bad);
    viewed.setProgram(3);
    EXPECT_FALSE(loadBankFile(viewed, path("bad.fxb").c_str()));
    EXPECT_EQ(viewed.getProgram(), 0);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Invalid file format");
}

TEST_F(FxFilesTest, ShortEmptyMissingAndOddFilesAreRefused) {
    const std::vector<std::uint8_t> before = stateOf(*target);
    struct Case {
        std::size_t size;
        const char* message;
    };
    std::vector<std::uint8_t> good(1053, 0);
    for (Case c : {Case{0, "Error reading file"}, Case{1, "Invalid file format"},
                   Case{60, "Invalid file format"}, Case{71, "Invalid file format"},
                   Case{72, "Invalid file format"}, Case{1052, "Invalid file format"}}) {
        boxes.boxes.clear();
        writeBytes(dir / "short.fxp", std::vector<std::uint8_t>(
                                          good.begin(), good.begin() + static_cast<long>(c.size)));
        EXPECT_FALSE(loadPatchFile(*target, path("short.fxp").c_str())) << c.size;
        ASSERT_EQ(boxes.boxes.size(), 1u) << c.size;
        EXPECT_EQ(boxes.boxes[0].text, c.message) << c.size;
    }
    EXPECT_EQ(stateOf(*target), before);

    for (const std::string& bad : {path("missing.fxp"), dir.path().string()}) {
        boxes.boxes.clear();
        EXPECT_FALSE(loadPatchFile(*target, bad.c_str()));
        EXPECT_FALSE(loadBankFile(*target, bad.c_str()));
        ASSERT_EQ(boxes.boxes.size(), 2u);
        EXPECT_EQ(boxes.boxes[0].text, "Error opening file");
    }
    // A file far larger than any patch is not read at all.
    std::filesystem::resize_file(dir / "short.fxp", kMaxFxFileBytes + 1);
    boxes.boxes.clear();
    EXPECT_FALSE(loadPatchFile(*target, path("short.fxp").c_str()));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Invalid file format");
}

TEST_F(FxFilesTest, AFailedSaveLeavesThePreviousFile) {
    EXPECT_FALSE(savePatchFile(*source, path("no/such/dir/p.fxp").c_str()));
    EXPECT_FALSE(saveBankFile(*source, path("no/such/dir/b.fxb").c_str()));
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[0].text, "Error opening file");

    // Replacing a file leaves exactly the new file, with no temporary beside it.
    writeBytes(dir / "p.fxp", {1, 2, 3});
    ASSERT_TRUE(savePatchFile(*source, path("p.fxp").c_str()));
    EXPECT_EQ(readBytes(dir / "p.fxp").size(), 1053u);
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
        ++entries;
    EXPECT_EQ(entries, 1u);
}

}  // namespace
}  // namespace sorvella
