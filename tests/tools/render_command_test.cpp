// sorvella-render run as a program, as a user runs it, against the fake instrument.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "tests/tools/tools_test_support.h"
#include "tests/tools/wav_test_support.h"
#include "tools/demo/smf_writer.h"
#include "tools/render/wav_writer.h"

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

    const auto wav = test::readBytes(out);
    const auto header = wavHeader(SampleFormat::kPcm16, 8000, 2, 8001);
    ASSERT_EQ(wav.size(), header.size() + 8001u * 4u);
    EXPECT_TRUE(std::equal(header.begin(), header.end(), wav.begin()));
    auto left = [&](int frame) { return test::pcm16At(wav, 44 + 4u * frame); };
    auto right = [&](int frame) { return test::pcm16At(wav, 46 + 4u * frame); };
    EXPECT_EQ(left(0), 4096);
    EXPECT_EQ(left(3999), 4096);
    EXPECT_EQ(left(4000), 8192);  // the second note, 0.5 s in
    EXPECT_EQ(left(8000), 0);
    EXPECT_EQ(right(100), 8192);  // parameter 0 at 0.25
    EXPECT_EQ(dir_.entries(), (std::vector<std::string>{"calls.log", "song.mid", "song.wav"}));
}

TEST_F(RenderCommand, WritesTheRequestedSampleFormat) {
    for (const auto& [name, tag, bits] :
         {std::tuple{"s24", 1u, 24u}, std::tuple{"f32", 3u, 32u}, std::tuple{"s16", 1u, 16u}}) {
        const std::string out = dir_.file(std::string("out-") + name + ".wav");
        const auto r = render({song_, "-o", out, "--plugin", FAKE_INSTRUMENT_PATH, "--format", name,
                               "--tail", "0.1"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const auto wav = test::readBytes(out);
        ASSERT_GE(wav.size(), 44u);
        EXPECT_EQ(test::le16(wav, 20), tag) << name;
        EXPECT_EQ(test::le16(wav, 34), bits) << name;
        EXPECT_EQ(test::le32(wav, 24), 44100u) << name;
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

    r = render({song_, "-o", out, "--plugin", plugin}, {{"FAKE_INSTRUMENT_FAIL", "entry"}});
    EXPECT_EQ(r.exitCode, 1);
    expectOneErrorLine(r, "returned no instance");

    r = render({song_, "-o", out, "--plugin", plugin, "--param", "4=0.5"});
    EXPECT_EQ(r.exitCode, 1);
    expectOneErrorLine(r, "parameter 4 does not exist (the plugin has 4 parameters)");

    r = render({song_, "-o", out, "--plugin", plugin, "--program", "3"});
    EXPECT_EQ(r.exitCode, 1);
    expectOneErrorLine(r, "program 3 does not exist");

    r = render({song_, "-o", dir_.file("no/such/dir/out.wav"), "--plugin", plugin});
    EXPECT_EQ(r.exitCode, 1);
    expectOneErrorLine(r, "cannot write " + dir_.file("no/such/dir/out.wav"));

    r = render({song_, "-o", dir_.path(), "--plugin", plugin});
    EXPECT_EQ(r.exitCode, 1);
    expectOneErrorLine(r, "is a directory");

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
    EXPECT_NE(help.out.find("--tail"), std::string::npos);
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
    EXPECT_NE(r.out.find("audio rendered:          0.500 s"), std::string::npos) << r.out;
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
