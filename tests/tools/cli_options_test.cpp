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
