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

TEST(RenderCommandLine, DefaultsAndEveryOption) {
    CliOptions o;
    std::string error;
    ASSERT_EQ(parse({"song.mid", "-o", "song.wav"}, o, error), CliAction::kRun) << error;
    EXPECT_EQ(o.input, "song.mid");
    EXPECT_EQ(o.output, "song.wav");
    EXPECT_EQ(o.sampleRate, 44100);
    EXPECT_EQ(o.blockSize, 512);
    EXPECT_EQ(o.program, -1);
    EXPECT_EQ(o.tailSeconds, 10.0);
    EXPECT_EQ(o.format, SampleFormat::kPcm16);
    EXPECT_TRUE(o.progress);
    EXPECT_FALSE(o.bench);

    ASSERT_EQ(parse({"--rate=48000", "--block", "64", "--format", "f32", "--program", "7",
                     "--param", "0=1", "--param=28=0.125", "--tail", "2.5", "--plugin", "x.so",
                     "--no-progress", "--output=o.wav", "--", "-odd.mid"},
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
    EXPECT_EQ(o.parameters[0].index, 0);
    EXPECT_EQ(o.parameters[0].value, 1.0f);
    EXPECT_EQ(o.parameters[1].index, 28);
    EXPECT_EQ(o.parameters[1].value, 0.125f);
    EXPECT_EQ(o.tailSeconds, 2.5);
    EXPECT_EQ(o.plugin, "x.so");
    EXPECT_FALSE(o.progress);
}

TEST(RenderCommandLine, BenchModes) {
    CliOptions o;
    std::string error;
    ASSERT_EQ(parse({"song.mid", "--bench"}, o, error), CliAction::kRun) << error;
    EXPECT_TRUE(o.bench);
    ASSERT_EQ(parse({"--bench-held", "32", "--restrike", "2", "--param", "0=1"}, o, error),
              CliAction::kRun)
        << error;
    EXPECT_TRUE(o.bench);
    EXPECT_EQ(o.benchHeldNotes, 32);
    EXPECT_EQ(o.benchSeconds, 60.0);
    EXPECT_EQ(o.restrikeSeconds, 2.0);
    EXPECT_EQ(parse({"song.mid", "--bench", "-o", "x.wav"}, o, error), CliAction::kError);
    EXPECT_EQ(parse({"song.mid", "--bench-held", "1"}, o, error), CliAction::kError);
    EXPECT_EQ(parse({"--bench-held", "65"}, o, error), CliAction::kError);
    EXPECT_EQ(parse({"--bench-held", "0"}, o, error), CliAction::kError);
}

TEST(RenderCommandLine, PresetFilesAndSavingWithoutRendering) {
    CliOptions o;
    std::string error;
    ASSERT_EQ(parse({"song.mid", "-o", "o.wav", "--bank", "b.fxb", "--patch=p.fxp", "--tuning",
                     "t.tun", "--save-bank", "sb.fxb", "--save-patch", "sp.fxp"},
                    o, error),
              CliAction::kRun)
        << error;
    EXPECT_EQ(o.bankFile, "b.fxb");
    EXPECT_EQ(o.patchFile, "p.fxp");
    EXPECT_EQ(o.tuningFile, "t.tun");
    EXPECT_EQ(o.saveBankFile, "sb.fxb");
    EXPECT_EQ(o.savePatchFile, "sp.fxp");
    EXPECT_TRUE(rendersAudio(o));

    // A conversion: no song, no output, nothing rendered.
    ASSERT_EQ(parse({"--bank", "b.fxb", "--save-patch", "sp.fxp"}, o, error), CliAction::kRun)
        << error;
    EXPECT_FALSE(rendersAudio(o));
    EXPECT_EQ(o.input, "");

    ASSERT_EQ(parse({"--bench-held", "2", "--save-bank", "sb.fxb"}, o, error), CliAction::kRun)
        << error;
    EXPECT_TRUE(rendersAudio(o));
    ASSERT_EQ(parse({"song.mid", "--bench", "--save-bank", "sb.fxb"}, o, error), CliAction::kRun)
        << error;
    EXPECT_TRUE(rendersAudio(o));
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
        {{"a.mid", "-o", "a.wav", "--rate", "44100x"}, "--rate"},
        {{"a.mid", "-o", "a.wav", "--block", "0"}, "--block"},
        {{"a.mid", "-o", "a.wav", "--block", "8193"}, "--block"},
        {{"a.mid", "-o", "a.wav", "--program", "-1"}, "--program"},
        {{"a.mid", "-o", "a.wav", "--param", "3"}, "INDEX=VALUE"},
        {{"a.mid", "-o", "a.wav", "--param", "3=1.5"}, "INDEX=VALUE"},
        {{"a.mid", "-o", "a.wav", "--param", "3=-0.1"}, "INDEX=VALUE"},
        {{"a.mid", "-o", "a.wav", "--param", "3=inf"}, "INDEX=VALUE"},
        {{"a.mid", "-o", "a.wav", "--param", "3=nan"}, "INDEX=VALUE"},
        {{"a.mid", "-o", "a.wav", "--format", "s8"}, "use s16, s24 or f32"},
        {{"a.mid", "-o", "a.wav", "--param", "-3=0.5"}, "INDEX=VALUE"},
        {{"a.mid", "-o", "a.wav", "--tail", "nan"}, "--tail"},
        {{"a.mid", "-o", "a.wav", "--tail", "601"}, "--tail"},
        {{"a.mid", "-o", "a.wav", "--bench=1"}, "takes no value"},
        {{"a.mid", "-o", "a.wav", "-x"}, "unknown option -x"},
        {{"a.mid", "--save-bank", "b.fxb"}, "no output file given"},
        {{"-o", "a.wav", "--save-bank", "b.fxb"}, "no MIDI file given"},
        {{"--bank", "b.fxb"}, "no MIDI file given"},
        {{"a.mid", "-o", "a.wav", "--bank="}, "invalid value '' for --bank"},
        {{"a.mid", "-o", "a.wav", "--tuning"}, "option --tuning needs a value"},
        {{"a.mid", "-o", "a.wav", "--remember-tuning"}, "--remember-tuning needs --tuning"},
        {{"a.mid", "-o", "a.wav", "--tuning", "t", "--remember-tuning", "--forget-tuning"},
         "contradict"},
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
