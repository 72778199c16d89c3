#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>

#include "engine/tables.h"
#include "platform/error_box.h"
#include "presets/settings_key.h"
#include "presets/settings_names.h"
#include "presets/tuning.h"
#include "support/temp_dir.h"
#include "support/test_host.h"

namespace sorvella {
namespace {

// A file with "[Tuning]" and one line per entry; each note n is shifted by shift cents.
std::string writeTuningFile(const test::TempDir& dir, const std::string& name, int entries,
                            float shift = 0.0f, const std::string& extra = "") {
    std::string text = "; a test scale\n[Tuning]\n" + extra;
    for (int n = 0; n < entries; ++n)
        text += "Note " + std::to_string(n % 128) + "=" +
                std::to_string(static_cast<int>(100 * n + shift)) + "\n";
    test::writeText(dir / name, text);
    return (dir / name).string();
}

class TuningTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(buildTables());
        settings.open(settings::kSubkey, settings::kClassText);
        settings.setText(settings::kTuning, std::nullopt);
    }
    void TearDown() override {
        settings.setText(settings::kTuning, std::nullopt);
        releaseTables();
    }

    test::TempDir dir;
    SettingsKey settings;
    testing::CapturedBoxes boxes;
};

TEST_F(TuningTest, AValidFileRetunesAndIsRemembered) {
    std::string path = writeTuningFile(dir, "just.tun", 128, 50.0f);
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);  // a read-only file still loads
    EXPECT_TRUE(loadTuningFile(path.c_str(), settings));
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(centsTable()[60], 6050.0f);
    EXPECT_NEAR(noteFrequencyTable()[69], 880.0f * std::pow(2.0f, 50.0f / 1200.0f), 0.01f);
    EXPECT_EQ(settings.getText(settings::kTuning), path);
    EXPECT_EQ(currentTuningName(settings), "just.tun");
}

TEST_F(TuningTest, TheEntryCountMustBeExactly128) {
    for (int entries : {127, 129}) {
        std::string path = writeTuningFile(dir, "bad.tun", entries, 50.0f);
        EXPECT_FALSE(loadTuningFile(path.c_str(), settings));
        EXPECT_EQ(noteFrequencyTable()[69], 880.0f);
        EXPECT_FALSE(settings.getText(settings::kTuning).has_value());
    }
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[0].text, "Invalid file format");
    EXPECT_EQ(currentTuningName(settings), "Equal Temperament");
}

TEST_F(TuningTest, LinesMatchOnlyTheirOwnPattern) {
    // Commented, spaced-before-"=" and out-of-range lines do not count; a space after "=" does,
    // and the first character of a line is not examined.
    std::string path =
        writeTuningFile(dir, "mixed.tun", 126, 0.0f,
                        ";Note 1=100\nNote 60 =6000\nNote 200=1\nNote 128=1\nxote 126= 12600\n"
                        "note 127=12700\nNote 5=99999999999\n");
    EXPECT_TRUE(loadTuningFile(path.c_str(), settings));
    test::writeText(dir / "none.tun", " [Tuning]\nNote 0=0\n");
    EXPECT_FALSE(loadTuningFile((dir / "none.tun").c_str(), settings));
}

// Each of these once hung the loader (and every host starting with it remembered) or read for
// seconds. Now each is refused at once and the equal temperament stays.
TEST_F(TuningTest, PathsThatAreNoRegularFilesAreRefusedAtOnce) {
    const std::string fifo = (dir / "pipe.tun").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // A valid tuning made larger than any tuning file by a sparse tail.
    const std::string huge = writeTuningFile(dir, "huge.tun", 128, 50.0f);
    ASSERT_EQ(::truncate(huge.c_str(), 2 << 20), 0);
    struct Case {
        std::string path;
        std::string message;
    };
    const Case cases[] = {{fifo, "Error opening file\n" + fifo},
                          {"/dev/zero", "Error opening file\n/dev/zero"},
                          {dir.path().string(), "Error opening file\n" + dir.path().string()},
                          {huge, "Invalid file format"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        boxes.boxes.clear();
        // Run aside with a watchdog: a blocked load must fail the test, not hang the suite.
        auto done = std::make_shared<std::promise<bool>>();
        std::future<bool> result = done->get_future();
        std::thread([done, path = c.path, this] {
            done->set_value(loadTuningFile(path.c_str(), settings));
        }).detach();
        ASSERT_EQ(result.wait_for(std::chrono::seconds(10)), std::future_status::ready)
            << "the load blocked";
        EXPECT_FALSE(result.get());
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, c.message);
        EXPECT_EQ(noteFrequencyTable()[69], 880.0f);
        EXPECT_FALSE(settings.getText(settings::kTuning).has_value());
    }
    // The loader still takes a regular file.
    EXPECT_TRUE(loadTuningFile(writeTuningFile(dir, "good.tun", 128, 50.0f).c_str(), settings));
}

// While the error box of a remembered tuning that no longer loads waited for the user, another
// instance remembered a tuning of its own; closing the box deleted it.
TEST_F(TuningTest, AFailedRestoreKeepsATuningStoredMeanwhile) {
    const std::string gone = (dir / "gone.tun").string();
    const std::string other = writeTuningFile(dir, "other.tun", 128, 50.0f);
    settings.setText(settings::kTuning, gone);
    ErrorPresenter previous = setErrorPresenter([&other](const ErrorBox&) {
        SettingsKey elsewhere;
        elsewhere.open(settings::kSubkey, settings::kClassText);
        elsewhere.setText(settings::kTuning, other);
    });
    restoreTuning(settings);
    setErrorPresenter(previous);
    EXPECT_EQ(settings.getText(settings::kTuning), other);

    // Without a change meanwhile, the failed path is still forgotten.
    settings.setText(settings::kTuning, gone);
    restoreTuning(settings);
    EXPECT_FALSE(settings.getText(settings::kTuning).has_value());
}

TEST(TuningAcrossInstruments, ATuningRetunesEveryInstrumentAndTheNextProcess) {
    test::TempDir dir;
    testing::HostRecorder host;
    const std::string path = writeTuningFile(dir, "shift.tun", 128, 1200.0f);
    {
        auto a = testing::makeInstrument();
        auto b = testing::makeInstrument();
        ASSERT_TRUE(loadTuningFile(path.c_str(), a->settings()));
        EXPECT_NEAR(noteFrequencyTable()[69], 1760.0f, 0.01f);
    }
    // Built again after all instruments were gone, the tables restore the remembered tuning.
    auto c = testing::makeInstrument();
    EXPECT_NEAR(noteFrequencyTable()[69], 1760.0f, 0.01f);
    c->settings().setText(settings::kTuning, std::nullopt);
}

}  // namespace
}  // namespace sorvella
