#include "tools/render/cli_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sorvella {
namespace {

CliAction parse(std::vector<const char*> args, CliOptions& options, std::string& error) {
    args.insert(args.begin(), "sorvella-render");
    return parseCommandLine(static_cast<int>(args.size()), args.data(), options, error);
}

TEST(RenderCommandLine, EveryOptionAndTheRunsThatRenderNothing) {
    CliOptions o;
    std::string error;
    ASSERT_EQ(parse({"--rate=48000",
                     "--block",
                     "64",
                     "--format",
                     "f32",
                     "--program",
                     "7",
                     "--param",
                     "0=1",
                     "--param=28=0.125",
                     "--tail",
                     "2.5",
                     "--plugin",
                     "x.so",
                     "--no-progress",
                     "--bank",
                     "b.fxb",
                     "--patch=p.fxp",
                     "--output=o.wav",
                     "--",
                     "-odd.mid"},
                    o, error),
              CliAction::kRun)
        << error;
    EXPECT_EQ(o.input, "-odd.mid");
    EXPECT_EQ(o.output, "o.wav");
    EXPECT_EQ(o.sampleRate, 48000);
    EXPECT_EQ(o.blockSize, 64);
    EXPECT_EQ(o.format, SampleFormat::kFloat32);
    EXPECT_EQ(o.program, 7);
    ASSERT_EQ(o.parameters.size(), 2u);
    EXPECT_EQ(o.parameters[1].index, 28);
    EXPECT_EQ(o.parameters[1].value, 0.125f);
    EXPECT_EQ(o.tailSeconds, 2.5);
    EXPECT_EQ(o.bankFile, "b.fxb");
    EXPECT_EQ(o.patchFile, "p.fxp");
    EXPECT_FALSE(o.progress);

    // A conversion: no song, no output, nothing rendered.
    ASSERT_EQ(parse({"--bank", "b.fxb", "--save-patch", "sp.fxp"}, o, error), CliAction::kRun)
        << error;
    EXPECT_FALSE(rendersAudio(o));
    ASSERT_EQ(parse({"--bench-held", "32", "--restrike", "2", "--save-bank", "b"}, o, error),
              CliAction::kRun)
        << error;
    EXPECT_TRUE(rendersAudio(o));
    EXPECT_EQ(o.benchHeldNotes, 32);
    EXPECT_EQ(o.restrikeSeconds, 2.0);
}

TEST(RenderCommandLine, RefusesBadValuesWithAReason) {
    struct Case {
        std::vector<const char*> args;
        const char* reason;
    };
    const Case cases[] = {
        {{"a.mid"}, "no output file given"},
        {{"-o", "a.wav"}, "no MIDI file given"},
        {{"a.mid", "b.mid", "-o", "a.wav"}, "more than one MIDI file"},
        {{"a.mid", "-o"}, "option -o needs a value"},
        {{"a.mid", "-o", "a.wav", "--rate", "100"}, "invalid value '100' for --rate"},
        {{"a.mid", "-o", "a.wav", "--block", "8193"}, "--block"},
        {{"a.mid", "-o", "a.wav", "--program", "-1"}, "--program"},
        {{"a.mid", "-o", "a.wav", "--param", "3"}, "INDEX=VALUE"},
        {{"a.mid", "-o", "a.wav", "--param", "3=1.5"}, "INDEX=VALUE"},
        {{"a.mid", "-o", "a.wav", "--param", "3=nan"}, "INDEX=VALUE"},
        {{"a.mid", "-o", "a.wav", "--format", "s8"}, "use s16, s24 or f32"},
        {{"a.mid", "-o", "a.wav", "--param", "-3=0.5"}, "INDEX=VALUE"},
        {{"a.mid", "-o", "a.wav", "--tail", "601"}, "--tail"},
        {{"a.mid", "-o", "a.wav", "--bench=1"}, "takes no value"},
        {{"a.mid", "-o", "a.wav", "-x"}, "unknown option -x"},
        {{"--bank", "b.fxb"}, "no MIDI file given"},
        {{"a.mid", "-o", "a.wav", "--bank="}, "invalid value '' for --bank"},
        {{"a.mid", "-o", "a.wav", "--tuning"}, "option --tuning needs a value"},
        {{"a.mid", "-o", "a.wav", "--remember-tuning"}, "--remember-tuning needs --tuning"},
        {{"a.mid", "-o", "a.wav", "--tuning", "t", "--remember-tuning", "--forget-tuning"},
         "contradict"},
        {{"song.mid", "--bench", "-o", "x.wav"}, ""},
        {{"song.mid", "--bench-held", "1"}, ""},
        {{"--bench-held", "65"}, ""},
    };
    for (const Case& c : cases) {
        CliOptions o;
        std::string error;
        EXPECT_EQ(parse(c.args, o, error), CliAction::kError) << c.reason;
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    }
    CliOptions o;
    std::string error;
    EXPECT_EQ(parse({"a.mid", "--help", "--frobnicate"}, o, error), CliAction::kHelp);
}

}  // namespace
}  // namespace sorvella
