// sorvella-render loading and saving banks, patches and tuning files through the fake instrument.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "platform/vst2/fx_file.h"
#include "tests/tools/fx_test_support.h"
#include "tests/tools/tools_test_support.h"
#include "tools/demo/smf_writer.h"

namespace sorvella {
namespace {

constexpr std::uint32_t kFakeId = 0x46616B65;  // 'Fake'
constexpr std::uint32_t kFakeVersion = 1;

using Env = std::vector<std::pair<std::string, std::string>>;

// Input files as the renderer's own writer makes them, whose bytes the FX file tests check.
std::vector<std::uint8_t> bankChunkFile(const std::string& chunk) {
    return fxBankChunkFile(kFakeId, kFakeVersion, 3, {chunk.begin(), chunk.end()});
}

std::vector<std::uint8_t> patchChunkFile(const std::string& name, const std::string& chunk) {
    return fxPatchChunkFile(kFakeId, kFakeVersion, 4, name, {chunk.begin(), chunk.end()});
}

std::vector<std::uint8_t> bankProgramsFile(const std::vector<FxProgram>& programs) {
    return fxBankProgramsFile(kFakeId, kFakeVersion, programs);
}

std::string absolute(const std::string& path) {
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? resolved : path;
}

class RenderPresets : public ::testing::Test {
  protected:
    void SetUp() override {
        SmfTrack t;
        t.noteOn(0, 0, 60, 100);
        t.noteOff(96, 0, 60);
        test::writeBytes(dir_.file("song.mid"), encodeSmf(0, 96, {t}));
        test::writeText(dir_.file("good.tun"), "; just intonation\n[Tuning]\nNote 0=0\n");
        test::writeText(dir_.file("bad.tun"), "Note 0=0\n");
    }
    test::ProcessResult render(std::vector<std::string> args, Env env = {}) {
        args.insert(args.end(),
                    {"--plugin", FAKE_INSTRUMENT_PATH, "--rate", "8000", "--tail", "0"});
        env.emplace_back("FAKE_INSTRUMENT_LOG", dir_.file("calls.log"));
        return test::runProgram(SORVELLA_RENDER_PATH, args, env);
    }
    // The call log without the entry's line and without the audio.
    std::vector<std::string> setupCalls() const {
        std::vector<std::string> kept;
        for (const std::string& line : test::readLines(dir_.file("calls.log"))) {
            if (line.rfind("entry", 0) != 0 && line.rfind("event", 0) != 0 &&
                line.rfind("process", 0) != 0) {
                kept.push_back(line);
            }
        }
        return kept;
    }
    std::vector<std::uint8_t> read(const std::string& name) const {
        return test::readBytes(dir_.file(name));
    }
    std::string file(const std::string& name) const { return dir_.file(name); }
    // Every file in the directory must be one of these.
    void expectOnly(const std::vector<std::string>& names) const {
        for (const std::string& name : dir_.entries()) {
            EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
        }
    }

    test::ScratchDir dir_;
};

const std::vector<std::string> kOpen = {"open", "sampleRate 8000", "blockSize 512"};

std::vector<std::string> withOpen(std::vector<std::string> calls) {
    calls.insert(calls.begin(), kOpen.begin(), kOpen.end());
    return calls;
}

TEST_F(RenderPresets, ChunksComeBackByteForByte) {
    const auto bank = bankChunkFile(std::string("bank\0chunk\xff", 11));
    const auto patch = patchChunkFile("Program 0", "preset chunk");
    test::writeBytes(file("in.fxb"), bank);
    test::writeBytes(file("in.fxp"), patch);

    const auto r = render({"--bank", file("in.fxb"), "--patch", file("in.fxp"), "--save-bank",
                           file("out.fxb"), "--save-patch", file("out.fxp")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(read("out.fxb"), bank);
    EXPECT_EQ(read("out.fxp"), patch);
    // Nothing to play: the plugin is never started.
    EXPECT_EQ(setupCalls(), withOpen({"setChunk bank 11", "program 0", "setChunk preset 12",
                                      "getChunk bank", "getChunk preset", "close"}));
    expectOnly(
        {"song.mid", "good.tun", "bad.tun", "calls.log", "in.fxb", "in.fxp", "out.fxb", "out.fxp"});
}

TEST_F(RenderPresets, ParameterListsForAPluginWithoutChunks) {
    const Env noChunks = {{"FAKE_INSTRUMENT_NO_CHUNKS", "1"}};
    const auto bank = bankProgramsFile({{"Low", {0.25f, 0.0f, 1.0f, 0.5f}},
                                        {"Mid", {0.5f, 0.125f, 0.0f, 0.5f}},
                                        {std::string(24, 'H'), {1.0f, 1.0f, 1.0f, 1.0f}}});
    const auto patch = test::fxProgramRecord("Solo", {0.75f, 0.5f, 0.5f, 0.0f}, kFakeId, 1);
    test::writeBytes(file("in.fxb"), bank);
    test::writeBytes(file("in.fxp"), patch);

    auto r = render({"--bank", file("in.fxb"), "--save-bank", file("out.fxb")}, noChunks);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(read("out.fxb"), bank);
    // Saving visits every program and comes back to the current one.
    const auto calls = setupCalls();
    EXPECT_EQ(
        std::vector<std::string>(calls.end() - 5, calls.end()),
        (std::vector<std::string>{"program 0", "program 1", "program 2", "program 0", "close"}));

    // The patch goes into the current program, which then plays: the right channel is its
    // parameter 0.
    r = render({file("song.mid"), "-o", file("out.wav"), "--bank", file("in.fxb"), "--patch",
                file("in.fxp"), "--save-patch", file("out.fxp"), "--format", "f32"},
               noChunks);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(read("out.fxp"), patch);
    const auto wav = read("out.wav");
    ASSERT_GT(wav.size(), 60u);
    float right = 0.0f;
    std::memcpy(&right, wav.data() + wav.size() - 4, 4);
    EXPECT_EQ(right, 0.75f);

    // A bank with fewer programs than the plugin has fills the first ones.
    const auto small = bankProgramsFile({{"One", {0.0f, 0.0f, 0.0f, 0.0f}}});
    test::writeBytes(file("small.fxb"), small);
    r = render({"--bank", file("small.fxb"), "--save-patch", file("one.fxp")}, noChunks);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(read("one.fxp"), test::fxProgramRecord("One", {0.0f, 0.0f, 0.0f, 0.0f}, kFakeId, 1));
}

TEST_F(RenderPresets, OptionsApplyInOneOrderWhateverTheCommandLineSays) {
    test::writeBytes(file("in.fxb"), bankChunkFile("B"));
    test::writeBytes(file("in.fxp"), patchChunkFile("P", "PP"));
    // A tuning loaded for this render only, by its absolute path (as the instrument would
    // remember it, were it asked to).
    const std::string tuning =
        std::filesystem::relative(file("good.tun"), std::filesystem::current_path()).string();
    ASSERT_NE(tuning.front(), '/');
    const auto r =
        render({file("song.mid"), "-o", file("out.wav"), "--param", "1=0.25", "--program", "1",
                "--tuning", tuning, "--patch", file("in.fxp"), "--bank", file("in.fxb")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(setupCalls(), withOpen({"setChunk bank 1", "program 0", "setChunk preset 2",
                                      "tuning session " + absolute(file("good.tun")), "program 1",
                                      "param 1 0.25", "mains 1", "mains 0", "close"}));
}

TEST_F(RenderPresets, BadFilesStopTheRunBeforeThePluginLoads) {
    const auto bank = bankChunkFile("chunk");
    auto shortBank = bank;
    shortBank.resize(100);
    auto oversized = bank;
    oversized[159] = 6;  // one byte more than the file holds
    auto wrongMagic = patchChunkFile("P", "chunk");
    wrongMagic[8] = 'X';
    test::writeBytes(file("short.fxb"), shortBank);
    test::writeBytes(file("oversized.fxb"), oversized);
    test::writeBytes(file("magic.fxp"), wrongMagic);

    struct Case {
        std::vector<std::string> args;
        std::string error;
    };
    const std::vector<Case> cases = {
        {{"--bank", file("none.fxb")},
         "cannot open " + file("none.fxb") + ": No such file or directory"},
        {{"--bank", file("short.fxb")}, file("short.fxb") + ": too short for an FX bank file"},
        {{"--bank", file("oversized.fxb")},
         file("oversized.fxb") +
             ": the chunk size (6 bytes) does not fit the file (5 bytes follow the header)"},
        {{"--patch", file("magic.fxp")},
         file("magic.fxp") + ": not an FX patch file (its type is 'XPCh')"},
        {{"--tuning", file("none.tun")}, "cannot open " + file("none.tun")},
        // Named pipes are refused at once, never waited on for a writer.
        {{"--bank", file("pipe")}, "cannot read " + file("pipe") + ": not a regular file"},
    };
    ASSERT_EQ(::mkfifo(file("pipe").c_str(), 0600), 0);
    for (const Case& c : cases) {
        std::vector<std::string> args = {file("song.mid"), "-o", file("out.wav"), "--save-bank",
                                         file("saved.fxb")};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const auto r = render(args);
        EXPECT_EQ(r.exitCode, 1) << c.error;
        EXPECT_EQ(r.err.rfind("sorvella-render: " + c.error, 0), 0u) << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
        EXPECT_TRUE(setupCalls().empty()) << c.error;
    }
    expectOnly(
        {"song.mid", "good.tun", "bad.tun", "short.fxb", "oversized.fxb", "magic.fxp", "pipe"});
}

TEST_F(RenderPresets, FilesThePluginCannotTakeWriteNothing) {
    test::writeBytes(file("bank.fxb"), bankChunkFile("chunk"));
    test::writeBytes(
        file("four.fxb"),
        bankProgramsFile(
            {{"a", {0, 0, 0, 0}}, {"b", {0, 0, 0, 0}}, {"c", {0, 0, 0, 0}}, {"d", {0, 0, 0, 0}}}));
    test::writeBytes(file("five.fxp"), test::fxProgramRecord("f", {0, 0, 0, 0, 0}, kFakeId, 1));
    test::writeBytes(file("refused.fxb"), bankChunkFile("BAD chunk"));

    struct Case {
        std::vector<std::string> args;
        Env env;
        std::string err;  // all of stderr
    };
    const std::string refusal = "Fake Instrument Error: Invalid file format\n";
    const std::vector<Case> cases = {
        {{"--bank", file("four.fxb")},
         {},
         "sorvella-render: " + file("four.fxb") +
             ": the bank holds 4 programs, the plugin has 3\n"},
        {{"--patch", file("five.fxp")},
         {},
         "sorvella-render: " + file("five.fxp") +
             ": the program has 5 parameters, the plugin has 4\n"},
        {{"--bank", file("bank.fxb")},
         {{"FAKE_INSTRUMENT_NO_CHUNKS", "1"}},
         "sorvella-render: " + file("bank.fxb") +
             ": holds a chunk, and the plugin does not take chunks\n"},
        {{"--tuning", file("good.tun")},
         {{"FAKE_INSTRUMENT_VENDOR", "Elsewhere"}},
         "sorvella-render: " + file("good.tun") + ": the plugin cannot load tuning files\n"},
        {{"--bank", file("refused.fxb")},
         {},
         refusal + "sorvella-render: " + file("refused.fxb") + ": the plugin refused it\n"},
        {{"--tuning", file("bad.tun")},
         {},
         refusal + "sorvella-render: " + file("bad.tun") + ": the plugin refused it\n"},
    };
    for (const Case& c : cases) {
        std::remove(file("calls.log").c_str());
        std::vector<std::string> args = {file("song.mid"), "-o", file("out.wav"), "--save-patch",
                                         file("saved.fxp")};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const auto r = render(args, c.env);
        EXPECT_EQ(r.exitCode, 1) << c.err;
        EXPECT_EQ(r.err, c.err);
        // Loaded and closed, never started, nothing saved; and another vendor's plugin is not
        // sent Kestrane's request at all.
        const auto calls = setupCalls();
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(calls.back(), "close") << c.err;
        for (const std::string& line : calls) {
            EXPECT_NE(line, "mains 1") << c.err;
            EXPECT_NE(line.rfind("getChunk", 0), 0u) << c.err;
            if (!c.env.empty()) {
                EXPECT_NE(line.rfind("tuning", 0), 0u) << c.err;
            }
        }
    }
    expectOnly({"song.mid", "good.tun", "bad.tun", "calls.log", "bank.fxb", "four.fxb", "five.fxp",
                "refused.fxb"});
}

TEST_F(RenderPresets, AFailedRunLeavesNeitherAudioNorSaves) {
    auto r =
        render({file("song.mid"), "-o", file("out.wav"), "--save-bank", file("no/such/dir/b.fxb")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.rfind("sorvella-render: cannot write " + file("no/such/dir/b.fxb"), 0), 0u)
        << r.err;

    // The saves are in place only once the audio is.
    r = render({file("song.mid"), "-o", dir_.path(), "--save-bank", file("b.fxb"), "--save-patch",
                file("p.fxp")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("is a directory"), std::string::npos) << r.err;
    expectOnly({"song.mid", "good.tun", "bad.tun", "calls.log"});
}

}  // namespace
}  // namespace sorvella
