// sorvella-render with the real instrument: its programs, parameters and tuning files through
// the plugin interface. Each test gets its own settings directory, so that no run can touch the
// user's settings.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/tools/audio_test_support.h"
#include "tests/tools/tools_test_support.h"
#include "tools/demo/smf_writer.h"

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
    std::string settings() const { return test::readText(file("config/Kestrane/Sorvella.conf")); }
    std::vector<float> samples(const std::string& name) const {
        return test::readAudio(file(name)).floats;
    }

    test::ScratchDir dir_;
};

TEST_F(RenderWithSorvella, ATuningChangesNoSettingUnlessAsked) {
    std::string text = "; quarter-tone shift\n[Tuning]\n";
    for (int n = 0; n < 128; ++n)
        text += "Note " + std::to_string(n) + "=" + std::to_string(100 * n + 50) + "\n";
    const std::vector<std::uint8_t> shift(text.begin(), text.end());
    test::writeBytes(file("shift.tun"), shift);
    const std::string song = file("song.mid");

    auto r = render({song, "-o", file("equal.wav"), "--format", "f32"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    r = render({song, "-o", file("once.wav"), "--format", "f32", "--tuning", file("shift.tun")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(settings().find("tuning="), std::string::npos) << settings();
    EXPECT_NE(samples("once.wav"), samples("equal.wav"));

    // Remembered, it retunes later renders, sample for sample as the render above.
    r = render({"--tuning", file("shift.tun"), "--remember-tuning"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(settings().find("tuning=" + file("shift.tun")), std::string::npos) << settings();
    r = render({song, "-o", file("kept.wav"), "--format", "f32"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(samples("kept.wav"), samples("once.wav"));

    // Gone, it is reported once in the renderer's words, and the song plays in equal temperament.
    std::remove(file("shift.tun").c_str());
    r = render({song, "-o", file("gone.wav"), "--format", "f32"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "sorvella-render: the tuning file in Sorvella's settings, " +
                         file("shift.tun") +
                         ", cannot be opened; rendering in equal temperament (--forget-tuning "
                         "clears the setting)\n");
    EXPECT_EQ(samples("gone.wav"), samples("equal.wav"));

    // Forgotten.
    test::writeBytes(file("shift.tun"), shift);
    ASSERT_EQ(render({"--tuning", file("shift.tun"), "--remember-tuning"}).exitCode, 0);
    r = render({song, "-o", file("forgot.wav"), "--format", "f32", "--forget-tuning"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(settings().find("tuning="), std::string::npos) << settings();
    EXPECT_EQ(samples("forgot.wav"), samples("equal.wav"));

    test::writeBytes(file("short.tun"), {shift.begin(), shift.end() - 20});
    r = render({song, "-o", file("s.wav"), "--tuning", file("short.tun")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Invalid file format"), std::string::npos) << r.err;
    EXPECT_TRUE(test::readBytes(file("s.wav")).empty());
}

TEST_F(RenderWithSorvella, ListsProgramsAndParametersAndTakesParametersByName) {
    const auto r = render({"--bank", SORVELLA_FACTORY_BANK, "--program", "2", "--param",
                           "level=0.3", "--list-programs", "--list-params"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("\n*  2  Vowel Lead\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\n   1  Level              30"), std::string::npos) << r.out;
    const auto unknown = render({"--param", "Loudness=0.3", "--list-params"});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_EQ(unknown.err,
              "sorvella-render: the plugin has no parameter named \"Loudness\" (see "
              "--list-params)\n");
}

#endif

}  // namespace
}  // namespace sorvella
