// sorvella-render run as a program, as a user runs it, against the fake instrument.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "tests/tools/audio_test_support.h"
#include "tests/tools/tools_test_support.h"
#include "tools/demo/smf_writer.h"

namespace sorvella {
namespace {

class RenderCommand : public ::testing::Test {
  protected:
    void SetUp() override {
        song_ = dir_.file("song.mid");
        // Two notes at 120 bpm, 96 ticks per quarter: on at 0 s and 0.5 s, off at 1 s.
        SmfTrack t;
        t.noteOn(0, 0, 60, 100);
        t.noteOn(96, 0, 64, 100);
        t.noteOff(192, 0, 60);
        t.noteOff(192, 0, 64);
        test::writeBytes(song_, encodeSmf(0, 96, {t}));
    }
    test::ProcessResult render(std::vector<std::string> args,
                               std::vector<std::pair<std::string, std::string>> env = {}) {
        env.emplace_back("FAKE_INSTRUMENT_LOG", dir_.file("calls.log"));
        return test::runProgram(SORVELLA_RENDER_PATH, args, env);
    }
    std::vector<std::string> calls() const { return test::readLines(dir_.file("calls.log")); }
    // The error run must leave the directory as it found it: the song and the call log.
    void expectNothingWritten() const {
        for (const std::string& name : dir_.entries()) {
            EXPECT_TRUE(name == "song.mid" || name == "calls.log" || name == "bad.mid") << name;
        }
    }
    static void expectOneErrorLine(const test::ProcessResult& r, const std::string& part) {
        EXPECT_EQ(r.err.rfind("sorvella-render: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(part), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    }

    test::ScratchDir dir_;
    std::string song_;
};

TEST_F(RenderCommand, RendersTheSongWithProgramAndParameters) {
    const std::string out = dir_.file("song.wav");
    const auto r =
        render({song_, "-o", out, "--plugin", FAKE_INSTRUMENT_PATH, "--program", "2", "--param",
                "0=0.25", "--param=3=1", "--rate", "8000", "--block", "100", "--tail", "0"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");  // no progress bar on a pipe
    EXPECT_EQ(r.out, "");

    std::vector<std::string> setup;
    for (const std::string& line : calls()) {
        if (line.rfind("event", 0) != 0 && line.rfind("process", 0) != 0) setup.push_back(line);
    }
    ASSERT_FALSE(setup.empty());
    setup.erase(setup.begin());  // the entry's line
    EXPECT_EQ(setup, (std::vector<std::string>{"open", "sampleRate 8000", "blockSize 100",
                                               "program 2", "param 0 0.25", "param 3 1", "mains 1",
                                               "mains 0", "close"}));

    const test::AudioFile wav = test::readAudio(out);
    EXPECT_EQ(wav.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    EXPECT_EQ(wav.sampleRate, 8000);
    ASSERT_EQ(wav.frames(), 8001u);
    EXPECT_EQ(test::readBytes(out).size(), 44u + 8001u * 4u);  // the plain 44-byte header
    auto left = [&](int frame) { return wav.samples[2u * frame] >> 16; };
    auto right = [&](int frame) { return wav.samples[2u * frame + 1] >> 16; };
    EXPECT_EQ(left(0), 4096);
    EXPECT_EQ(left(3999), 4096);
    EXPECT_EQ(left(4000), 8192);  // the second note, 0.5 s in
    EXPECT_EQ(left(8000), 0);
    EXPECT_EQ(right(100), 8192);  // parameter 0 at 0.25
    EXPECT_EQ(dir_.entries(), (std::vector<std::string>{"calls.log", "song.mid", "song.wav"}));
}

TEST_F(RenderCommand, WritesTheRequestedFormatAndSaysWhenItClips) {
    // Nine keys held: 9 x 0.125 = 1.125 on the left, beyond full scale.
    SmfTrack t;
    for (int key = 60; key < 69; ++key)
        t.noteOn(0, 0, key, 100);
    for (int key = 60; key < 69; ++key)
        t.noteOff(96, 0, key);
    test::writeBytes(song_, encodeSmf(0, 96, {t}));
    struct Case {
        std::string name;
        std::string format;
        int sndfileFormat;
    };
    for (const Case& c : {Case{"s.flac", "s24", SF_FORMAT_FLAC | SF_FORMAT_PCM_24},
                          Case{"f.wav", "f32", SF_FORMAT_WAV | SF_FORMAT_FLOAT}}) {
        const auto r = render({song_, "-o", dir_.file(c.name), "--plugin", FAKE_INSTRUMENT_PATH,
                               "--format", c.format, "--rate", "8000", "--tail", "0"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const test::AudioFile a = test::readAudio(dir_.file(c.name));
        EXPECT_EQ(a.format, c.sndfileFormat) << c.name;
        ASSERT_EQ(a.frames(), 4001u) << c.name;  // half a second at 120 bpm, and the last event
        if (c.format == "f32") {
            EXPECT_EQ(a.floats[0], 1.125f);
            EXPECT_EQ(r.err, "");  // floats keep what integers clip
        } else {
            EXPECT_EQ(r.err, "sorvella-render: the output clips: 4000 samples of " +
                                 dir_.file(c.name) +
                                 " are beyond full scale (peak +1.0 dBFS); lower the level or "
                                 "write --format f32\n");
        }
    }
}

TEST_F(RenderCommand, FailuresSayWhyAndLeaveNoFile) {
    const std::string out = dir_.file("out.wav");
    const std::string plugin = FAKE_INSTRUMENT_PATH;

    auto r = render({dir_.file("missing.mid"), "-o", out, "--plugin", plugin});
    EXPECT_EQ(r.exitCode, 1);
    expectOneErrorLine(r, "cannot open " + dir_.file("missing.mid"));

    test::writeBytes(dir_.file("bad.mid"), {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96});
    r = render({dir_.file("bad.mid"), "-o", out, "--plugin", plugin});
    EXPECT_EQ(r.exitCode, 1);
    expectOneErrorLine(r, "bad.mid: file ends before track 1 of 1");

    r = render({song_, "-o", out, "--plugin", dir_.file("nothing.so")});
    EXPECT_EQ(r.exitCode, 1);
    expectOneErrorLine(r, "cannot load plugin");

    r = render({song_, "-o", out, "--plugin", plugin, "--param", "4=0.5"});
    EXPECT_EQ(r.exitCode, 1);
    expectOneErrorLine(r, "parameter 4 does not exist (the plugin has 4 parameters)");

    r = render({song_, "-o", dir_.file("no/such/dir/out.wav"), "--plugin", plugin});
    EXPECT_EQ(r.exitCode, 1);
    expectOneErrorLine(r, "cannot write " + dir_.file("no/such/dir/out.wav"));

    r = render({song_, "-o", out, "--plugin", plugin}, {{"FAKE_INSTRUMENT_EFFECT", "1"}});
    EXPECT_EQ(r.exitCode, 1);
    expectOneErrorLine(r, "is an effect, not an instrument");

    expectNothingWritten();
}

TEST_F(RenderCommand, ABadCommandLineIsAUsageError) {
    const std::string plugin = FAKE_INSTRUMENT_PATH;
    // The parser's reasons are checked on their own; here only that one reaches the user.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{song_, "-o", "x.wav", "--rate", "fast", "--plugin", plugin},
          std::vector<std::string>{song_}}) {
        const auto r = render(args);
        EXPECT_EQ(r.exitCode, 2) << args.back();
        EXPECT_EQ(r.err.rfind("sorvella-render: ", 0), 0u) << r.err;
    }
    const auto help = render({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("--bench-held"), std::string::npos);
    EXPECT_EQ(render({"--version"}).out, "sorvella-render 2.0\n");
    expectNothingWritten();
}

TEST_F(RenderCommand, BenchPrintsTheRealTimeFactorAndWritesNothing) {
    auto r = render({song_, "--bench", "--plugin", FAKE_INSTRUMENT_PATH, "--tail", "0"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("real-time factor:"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("audio rendered:          1.000 s at 44100 Hz"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("most notes held at once: 2 (counted from the MIDI file)"),
              std::string::npos)
        << r.out;

    std::remove(dir_.file("calls.log").c_str());
    r = render({"--bench-held", "3", "--bench-length", "0.5", "--restrike", "0.25", "--plugin",
                FAKE_INSTRUMENT_PATH, "--rate", "8000"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("notes held:              3 (synthetic load, struck again every 0.25 s)"),
              std::string::npos)
        << r.out;
    int noteOns = 0;
    for (const std::string& line : calls()) {
        std::istringstream words(line);
        std::string kind, frame, delta, status;
        words >> kind >> frame >> delta >> status;
        if (kind == "event" && status == "90") ++noteOns;
    }
    EXPECT_EQ(noteOns, 6);
    expectNothingWritten();
}

}  // namespace
}  // namespace sorvella
