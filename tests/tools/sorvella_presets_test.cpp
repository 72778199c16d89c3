// sorvella-render with the real instrument: its banks, patches and tuning files through the
// plugin interface. Each run gets its own settings directory, since the instrument remembers a
// loaded tuning there.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/vst2/aeffect.h"
#include "tests/tools/fx_test_support.h"
#include "tests/tools/tools_test_support.h"
#include "tools/demo/smf_writer.h"
#include "tools/render/fx_file.h"

namespace sorvella {
namespace {

#ifdef SORVELLA_PLUGIN_PATH

class RenderWithSorvella : public ::testing::Test {
  protected:
    void SetUp() override {
        SmfTrack t;
        t.noteOn(0, 0, 69, 90);
        t.noteOff(48, 0, 69);
        test::writeBytes(file("song.mid"), encodeSmf(0, 96, {t}));
    }
    test::ProcessResult render(std::vector<std::string> args) {
        args.insert(args.end(), {"--plugin", SORVELLA_PLUGIN_PATH, "--tail", "0.1"});
        return test::runProgram(SORVELLA_RENDER_PATH, args, {{"XDG_CONFIG_HOME", file("config")}});
    }
    std::string file(const std::string& name) const { return dir_.file(name); }

    test::ScratchDir dir_;
};

TEST_F(RenderWithSorvella, SavesAndLoadsItsOwnFiles) {
    auto r = render({"--save-bank", file("a.fxb"), "--save-patch", file("a.fxp")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const auto bank = test::readBytes(file("a.fxb"));
    const auto patch = test::readBytes(file("a.fxp"));
    ASSERT_EQ(bank.size(), 7516u);
    ASSERT_EQ(patch.size(), 1053u);
    // The writer's layout, which the FX file tests check byte by byte, around the plugin's own
    // identity, counts, program name and chunks.
    const std::int32_t sorv = vst2::fourCC('S', 'O', 'R', 'V');
    EXPECT_EQ(bank, fxBankChunkFile(sorv, 2, 8, {bank.begin() + 160, bank.end()}));
    EXPECT_EQ(patch, fxPatchChunkFile(sorv, 2, 29, "Default", {patch.begin() + 60, patch.end()}));
    EXPECT_EQ(test::textAt(bank, 160, 4), "SORV");
    EXPECT_EQ(test::textAt(patch, 60, 4), "SORV");

    // Loaded back and played, the bank saves as the same bytes.
    r = render({file("song.mid"), "-o", file("a.wav"), "--bank", file("a.fxb"), "--patch",
                file("a.fxp"), "--save-bank", file("b.fxb")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(test::readBytes(file("b.fxb")), bank);
    EXPECT_GT(test::readBytes(file("a.wav")).size(), 44u);

    auto corrupt = patch;
    corrupt[60] = 'X';  // the chunk's own magic
    test::writeBytes(file("corrupt.fxp"), corrupt);
    r = render({file("song.mid"), "-o", file("c.wav"), "--patch", file("corrupt.fxp")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Invalid file format"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("sorvella-render: " + file("corrupt.fxp") + ": the plugin refused it\n"),
              std::string::npos)
        << r.err;
    EXPECT_TRUE(test::readBytes(file("c.wav")).empty());
}

TEST_F(RenderWithSorvella, LoadsATuningFile) {
    std::string text = "; quarter-tone shift\n[Tuning]\n";
    for (int n = 0; n < 128; ++n)
        text += "Note " + std::to_string(n) + "=" + std::to_string(100 * n + 50) + "\n";
    test::writeBytes(file("shift.tun"), std::vector<std::uint8_t>(text.begin(), text.end()));
    auto r = render({file("song.mid"), "-o", file("t.wav"), "--tuning", file("shift.tun")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");

    test::writeBytes(file("short.tun"), std::vector<std::uint8_t>(text.begin(), text.end() - 20));
    r = render({file("song.mid"), "-o", file("s.wav"), "--tuning", file("short.tun")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Invalid file format"), std::string::npos) << r.err;
    EXPECT_TRUE(test::readBytes(file("s.wav")).empty());
}

#endif

}  // namespace
}  // namespace sorvella
