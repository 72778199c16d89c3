#include "tools/render/cli_options.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace sorvella {
namespace {

bool parseInt(std::string_view text, int lowest, int highest, int& out) {
    int v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || v < lowest || v > highest) {
        return false;
    }
    out = v;
    return true;
}

bool parseDouble(std::string_view text, double lowest, double highest, double& out) {
    if (text.empty()) return false;
    const std::string copy(text);
    char* end = nullptr;
    const double v = std::strtod(copy.c_str(), &end);
    if (end != copy.c_str() + copy.size() || !std::isfinite(v) || v < lowest || v > highest) {
        return false;
    }
    out = v;
    return true;
}

std::string range(int lowest, int highest) {
    return std::to_string(lowest) + ".." + std::to_string(highest);
}

}  // namespace

std::string usageText() {
    return R"(Usage: sorvella-render SONG.mid -o OUT.wav [options]
       sorvella-render SONG.mid --bench [options]
       sorvella-render --bench-held N [options]
       sorvella-render [--bank FILE] [--patch FILE] ... --save-bank FILE | --save-patch FILE

       sorvella-render [--bank FILE] ... --list-programs | --list-params

Plays a Standard MIDI File (format 0 or 1) through a VST 2 instrument, libsorvella.so unless
--plugin names another, and writes a stereo audio file.

Options:
  -o, --output FILE      the audio file to write, its format by its extension: .wav (RF64 past
                         4 GiB), .flac, .ogg (Ogg Vorbis), .aif/.aiff; - writes WAV to standard
                         output
  --format F             samples of WAV, FLAC and AIFF: s16 (default), s24 or f32 (32-bit
                         float, not FLAC)
  --plugin PATH          the VST 2 instrument to load
  --bank FILE            load an FX bank file (.fxb) and select program 0
  --patch FILE           load an FX patch file (.fxp) into the current program
  --tuning FILE          load a tuning file (.tun) for this render only
  --remember-tuning      make --tuning FILE Sorvella's tuning in later sessions too (it is
                         stored in the settings file, as the editor does)
  --forget-tuning        clear the tuning stored in the settings; this render and later ones
                         use equal temperament unless --tuning is given
  --program N            select program N before playing
  --param P=VALUE        set a parameter, by index or name, to VALUE (0..1) before playing;
                         repeatable (applied in this order: --bank, --patch, --tuning,
                         --program, --param)
  --list-programs        print the plugin's programs once the options above are applied
  --list-params          print its parameters: index, name, value shown and unit
  --save-bank FILE       write the plugin's programs as an FX bank file once the options above
                         are applied; without -o and a MIDI file, nothing is rendered
  --save-patch FILE      the same for the current program, as an FX patch file
  --rate HZ              sample rate, default 44100
  --block N              frames per process call, default 512
  --tail SECONDS         the most to render after the last event, default 10; rendering stops
                         earlier once the output has been silent for half a second
  --no-progress          no progress bar (it only shows on a terminal anyway)
  --bench                render without writing and print the real-time factor (audio seconds
                         per CPU second spent in the plugin's process calls)
  --bench-held N         benchmark without a MIDI file: N notes (1..64) held from the start
  --bench-length SECONDS length of the --bench-held load, default 60
  --restrike SECONDS     strike the held notes again at this interval (default: never)
  --version              the renderer's version
  -h, --help             this text

The two standard benchmark loads for Sorvella:
  sorvella-render --bench-held 1
  sorvella-render --bench-held 32 --restrike 2 --param 0=1
(parameter 0 is "Voices"; 1.0 allows 32 voices)
)";
}

std::string versionText() {
    return "sorvella-render " SORVELLA_VERSION "\n";
}

bool rendersAudio(const CliOptions& options) {
    return options.benchHeldNotes > 0 || !options.input.empty();
}

CliAction parseCommandLine(int argc, const char* const* argv, CliOptions& options,
                           std::string& error) {
    options = CliOptions{};
    std::vector<std::string> positional;
    bool remember = false;
    bool forget = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string value;
        bool hasValue = false;
        if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
            const std::size_t eq = arg.find('=');
            if (eq != std::string::npos) {
                value = arg.substr(eq + 1);
                arg.resize(eq);
                hasValue = true;
            }
        }
        auto needValue = [&]() -> bool {
            if (hasValue) return true;
            if (i + 1 >= argc) {
                error = "option " + arg + " needs a value";
                return false;
            }
            value = argv[++i];
            hasValue = true;
            return true;
        };
        auto refuse = [&](const std::string& what) {
            error = "invalid value '" + value + "' for " + arg + ": " + what;
            return CliAction::kError;
        };

        if (arg == "-h" || arg == "--help") return CliAction::kHelp;
        if (arg == "--version") return CliAction::kVersion;
        bool* flag = arg == "--bench"             ? &options.bench
                     : arg == "--list-programs"   ? &options.listPrograms
                     : arg == "--list-params"     ? &options.listParams
                     : arg == "--remember-tuning" ? &remember
                     : arg == "--forget-tuning"   ? &forget
                                                  : nullptr;
        if (flag || arg == "--no-progress") {
            if (hasValue) {
                error = "option " + arg + " takes no value";
                return CliAction::kError;
            }
            if (flag) {
                *flag = true;
            } else {
                options.progress = false;
            }
            continue;
        }
        if (arg == "--") {
            for (++i; i < argc; ++i)
                positional.emplace_back(argv[i]);
            break;
        }
        if (arg == "-o" || arg == "--output") {
            if (!needValue()) return CliAction::kError;
            options.output = value;
        } else if (arg == "--format") {
            if (!needValue()) return CliAction::kError;
            if (!parseSampleFormat(value, options.format)) return refuse("use s16, s24 or f32");
        } else if (arg == "--plugin") {
            if (!needValue()) return CliAction::kError;
            options.plugin = value;
        } else if (arg == "--program") {
            if (!needValue()) return CliAction::kError;
            if (!parseInt(value, 0, 1 << 20, options.program))
                return refuse("not a program number");
        } else if (arg == "--param") {
            if (!needValue()) return CliAction::kError;
            // The last '=': the value never holds one, a name might.
            const std::size_t eq = value.rfind('=');
            ParameterSetting p;
            double v = 0.0;
            if (eq == std::string::npos || eq == 0 ||
                !parseDouble(std::string_view(value).substr(eq + 1), 0.0, 1.0, v)) {
                return refuse("expected INDEX=VALUE or NAME=VALUE with VALUE from 0 to 1");
            }
            // A key that begins like a number is an index; anything else is a name.
            const std::string_view key = std::string_view(value).substr(0, eq);
            const bool numeric = std::isdigit(static_cast<unsigned char>(key.front())) ||
                                 key.front() == '-' || key.front() == '+';
            if (!numeric) {
                p.name = key;
            } else if (!parseInt(key, 0, 1 << 20, p.index)) {
                return refuse("expected INDEX=VALUE or NAME=VALUE with VALUE from 0 to 1");
            }
            p.value = static_cast<float>(v);
            options.parameters.push_back(p);
        } else if (arg == "--bank" || arg == "--patch" || arg == "--tuning" ||
                   arg == "--save-bank" || arg == "--save-patch") {
            if (!needValue()) return CliAction::kError;
            if (value.empty()) return refuse("a file name");
            std::string& file = arg == "--bank"        ? options.bankFile
                                : arg == "--patch"     ? options.patchFile
                                : arg == "--tuning"    ? options.tuningFile
                                : arg == "--save-bank" ? options.saveBankFile
                                                       : options.savePatchFile;
            file = value;
        } else if (arg == "--rate") {
            if (!needValue()) return CliAction::kError;
            if (!parseInt(value, 8000, 384000, options.sampleRate)) {
                return refuse("expected " + range(8000, 384000) + " Hz");
            }
        } else if (arg == "--block") {
            if (!needValue()) return CliAction::kError;
            if (!parseInt(value, 1, 8192, options.blockSize)) {
                return refuse("expected " + range(1, 8192) + " frames");
            }
        } else if (arg == "--tail") {
            if (!needValue()) return CliAction::kError;
            if (!parseDouble(value, 0.0, 600.0, options.tailSeconds)) {
                return refuse("expected 0..600 seconds");
            }
        } else if (arg == "--bench-held") {
            if (!needValue()) return CliAction::kError;
            if (!parseInt(value, 1, 64, options.benchHeldNotes)) return refuse("expected 1..64");
            options.bench = true;
        } else if (arg == "--bench-length") {
            if (!needValue()) return CliAction::kError;
            if (!parseDouble(value, 0.001, 3600.0, options.benchSeconds)) {
                return refuse("expected up to 3600 seconds");
            }
        } else if (arg == "--restrike") {
            if (!needValue()) return CliAction::kError;
            if (!parseDouble(value, 0.0, 3600.0, options.restrikeSeconds)) {
                return refuse("expected 0..3600 seconds");
            }
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option " + arg + " (see --help)";
            return CliAction::kError;
        } else {
            positional.push_back(arg);
        }
    }

    if (remember && forget) {
        error = "--remember-tuning and --forget-tuning contradict each other";
        return CliAction::kError;
    }
    if (remember && options.tuningFile.empty()) {
        error = "--remember-tuning needs --tuning FILE";
        return CliAction::kError;
    }
    options.tuningMemory = remember ? TuningMemory::kRemember
                           : forget ? TuningMemory::kForget
                                    : TuningMemory::kLeave;
    const bool doesOtherWork = !options.saveBankFile.empty() || !options.savePatchFile.empty() ||
                               options.listPrograms || options.listParams ||
                               options.tuningMemory != TuningMemory::kLeave;
    const bool nothingToPlay =
        doesOtherWork && positional.empty() && options.output.empty() && !options.bench;
    if (options.benchHeldNotes > 0) {
        if (!positional.empty()) {
            error = "--bench-held plays no MIDI file";
            return CliAction::kError;
        }
    } else if (nothingToPlay) {
        // Nothing to play: the run converts, extracts or lists presets, or forgets the tuning.
    } else if (positional.size() != 1) {
        error = positional.empty() ? "no MIDI file given (see --help)"
                                   : "more than one MIDI file given";
        return CliAction::kError;
    } else {
        options.input = positional.front();
    }
    if (options.bench && !options.output.empty()) {
        error = "--bench writes no output; drop -o";
        return CliAction::kError;
    }
    if (!options.bench && options.output.empty() && !nothingToPlay) {
        error = "no output file given (use -o FILE)";
        return CliAction::kError;
    }
    // Outputs naming one file however they are spelt are refused once the files are looked at.
    return CliAction::kRun;
}

}  // namespace sorvella
