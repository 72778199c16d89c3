// Tuning paths that are no tuning files, as a settings file or a user may name them, and a
// settings key another process writes while a remembered tuning fails to load.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
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

class HostileTuningTest : public ::testing::Test {
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

    // A valid tuning of 128 entries, each note 50 cents sharp.
    std::string writeTuning(const std::string& name) {
        std::string path = (dir / name).string();
        std::ofstream out(path);
        out << "[Tuning]\n";
        for (int n = 0; n < 128; ++n)
            out << "Note " << n << "=" << (100 * n + 50) << "\n";
        return path;
    }

    test::TempDir dir;
    SettingsKey settings;
};

// Each of these once hung the loader (and every host starting with it remembered) or read for
// seconds. Now each is refused at once and the equal temperament stays.
TEST_F(HostileTuningTest, PathsThatAreNoRegularFilesAreRefusedAtOnce) {
    const std::string fifo = (dir / "pipe.tun").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // A valid tuning made larger than any tuning file by a sparse tail.
    const std::string huge = writeTuning("huge.tun");
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
        testing::CapturedBoxes boxes;
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
    EXPECT_TRUE(loadTuningFile(writeTuning("good.tun").c_str(), settings));
}

// While the error box of a remembered tuning that no longer loads waited for the user, another
// instance remembered a tuning of its own; closing the box deleted it.
TEST_F(HostileTuningTest, AFailedRestoreKeepsATuningStoredMeanwhile) {
    const std::string gone = (dir / "gone.tun").string();
    const std::string other = writeTuning("other.tun");
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
    testing::CapturedBoxes boxes;
    settings.setText(settings::kTuning, gone);
    restoreTuning(settings);
    EXPECT_FALSE(settings.getText(settings::kTuning).has_value());
}

}  // namespace
}  // namespace sorvella
