#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/file_operations.h"
#include "core/fx_files.h"
#include "platform/error_box.h"
#include "presets/child_process.h"
#include "presets/file_selector.h"
#include "presets/settings_names.h"
#include "support/temp_dir.h"
#include "support/test_host.h"

namespace sorvella {
namespace {

// A host with a file selector: it answers canDo("openFileSelector") and returns a set path.
struct SelectorHost {
    static vst2::intptr callback(vst2::AEffect*, std::int32_t opcode, std::int32_t, vst2::intptr,
                                 void* ptr, float) {
        SelectorHost& h = *active;
        switch (opcode) {
            case vst2::audioMasterVersion:
                return 2400;
            case vst2::audioMasterCanDo:
                return std::strcmp(static_cast<const char*>(ptr), "openFileSelector") == 0 ? h.canDo
                                                                                           : 0;
            case vst2::audioMasterOpenFileSelector: {
                auto* select = static_cast<vst2::VstFileSelect*>(ptr);
                h.titles.emplace_back(select->title);
                if (h.chosen.empty()) return 0;
                std::snprintf(select->returnPath, static_cast<std::size_t>(select->sizeReturnPath),
                              "%s", h.chosen.c_str());
                return 1;
            }
            case vst2::audioMasterCloseFileSelector:
                // Closing comes after the file step: the saved file is already there.
                h.closedWithFile.push_back(std::filesystem::exists(h.chosen));
                return 1;
            default:
                return 0;
        }
    }
    SelectorHost() { active = this; }
    ~SelectorHost() { active = nullptr; }

    static inline SelectorHost* active = nullptr;
    vst2::intptr canDo = 1;
    std::string chosen;
    std::vector<std::string> titles;
    std::vector<bool> closedWithFile;
};

class HostSelectorTest : public ::testing::Test {
  protected:
    test::TempDir dir{"sorvella-select"};
    SelectorHost host;
    testing::CapturedBoxes boxes;
    std::unique_ptr<MyVsti> instrument = std::make_unique<MyVsti>(&SelectorHost::callback);
};

// A cancelled selection ends quietly; a chosen file is saved before the selector closes.
TEST_F(HostSelectorTest, TheHostsSelectorIsUsedAndClosedAfterTheFileStep) {
    instrument->settings().setText(settings::kTuning, std::nullopt);
    EXPECT_FALSE(loadPatch(*instrument, nullptr));
    EXPECT_FALSE(savePatch(*instrument, nullptr));
    EXPECT_FALSE(loadTuning(*instrument, nullptr));
    EXPECT_TRUE(host.closedWithFile.empty());

    host.chosen = (dir / "host.fxb").string();
    instrument->setProgramName("Through host");
    EXPECT_TRUE(saveBank(*instrument, nullptr));
    EXPECT_EQ(host.titles, (std::vector<std::string>{
                               "Load FX Patch", "Save FX Patch",
                               "Load Tuning file (current = Equal Temperament)", "Save FX Bank"}));
    EXPECT_EQ(host.closedWithFile, std::vector<bool>{true});
    EXPECT_EQ(std::filesystem::file_size(host.chosen), 7516u);

    auto other = std::make_unique<MyVsti>(&SelectorHost::callback);
    EXPECT_TRUE(loadBank(*other, nullptr));
    EXPECT_STREQ(other->programSlot(0).name(), "Through host");
    EXPECT_TRUE(boxes.boxes.empty());
}

// Dialog programs on PATH: shell scripts that log their arguments and answer as told.
class DialogProgramTest : public ::testing::Test {
  protected:
    void SetUp() override { setFileDialogFallback({}); }
    void TearDown() override { setFileDialogFallback({}); }

    // body runs after the arguments have been logged to NAME.args.
    void script(const char* name, const std::string& body) {
        const std::filesystem::path path = bin / name;
        test::writeText(path, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done >> '" +
                                  (dir / name).string() + ".args'\n" + body + "\n");
        ASSERT_EQ(chmod(path.c_str(), 0755), 0);
    }
    std::string args(const char* name) const {
        return test::readText(dir / (std::string(name) + ".args"));
    }

    test::TempDir dir{"sorvella-dialog"};
    std::filesystem::path bin = [this] {
        std::filesystem::create_directory(dir / "bin");
        return dir / "bin";
    }();
    test::ScopedEnv path{"PATH", bin.c_str()};
    testing::HostRecorder host;
    testing::CapturedBoxes boxes;
    std::unique_ptr<MyVsti> instrument = testing::makeInstrument();
};

TEST_F(DialogProgramTest, ZenityChoosesAndAMissingExtensionIsAdded) {
    const std::string chosen = (dir / "typed").string();
    script("zenity", "printf '%s\\n' '" + chosen + "'");
    instrument->setProgramName("Via zenity");
    EXPECT_TRUE(savePatch(*instrument, nullptr));
    EXPECT_EQ(std::filesystem::file_size(chosen + ".fxp"), 1053u);
    EXPECT_FALSE(std::filesystem::exists(chosen));
    EXPECT_EQ(args("zenity"),
              "--file-selection\n--save\n--confirm-overwrite\n--title=Save FX Patch\n"
              "--file-filter=FX Patches (*.fxp) | *.fxp\n");

    script("zenity", "printf '%s\\n' '" + chosen + ".fxp'");
    auto other = testing::makeInstrument();
    EXPECT_TRUE(loadPatch(*other, nullptr));
    EXPECT_STREQ(other->workingProgram().name(), "Via zenity");
    EXPECT_TRUE(boxes.boxes.empty());

    // A zenity without the overwrite option is asked again without it.
    script("zenity",
           "for a in \"$@\"; do [ \"$a\" = --confirm-overwrite ] && exit 255; done\n"
           "printf '%s\\n' '" +
               chosen + ".fxb'");
    EXPECT_TRUE(saveBank(*instrument, nullptr));
    EXPECT_EQ(std::filesystem::file_size(chosen + ".fxb"), 7516u);
}

// Without a dialog program the fallback asks; a cancelled zenity ends the operation quietly.
TEST_F(DialogProgramTest, WithoutADialogProgramTheFallbackAsks) {
    EXPECT_FALSE(loadPatch(*instrument, nullptr));
    EXPECT_TRUE(boxes.boxes.empty());

    std::vector<std::string> asked;
    void* owners = nullptr;
    setFileDialogFallback([&](const FileRequest& request, void* owner) {
        asked.push_back(request.title);
        owners = owner;
        return std::optional<std::string>((dir / "fallback.fxp").string());
    });
    int window = 0;
    EXPECT_TRUE(savePatch(*instrument, &window));
    EXPECT_EQ(asked, std::vector<std::string>{"Save FX Patch"});
    EXPECT_EQ(owners, &window);
    EXPECT_TRUE(std::filesystem::exists(dir / "fallback.fxp"));

    script("zenity", "exit 1");
    script("kdialog", "exit 0");
    EXPECT_FALSE(loadBank(*instrument, nullptr));
    EXPECT_FALSE(saveBank(*instrument, nullptr));
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(dir / "kdialog.args"));
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(instrument->getProgram(), 0);
}

}  // namespace
}  // namespace sorvella
