// The command line of sorvella-render.
#pragma once

#include <string>
#include <vector>

#include "tools/render/audio_file_writer.h"

namespace sorvella {

// A parameter by index, or by name when name is not empty (matched once the plugin is loaded).
struct ParameterSetting {
    int index = 0;
    std::string name;
    float value = 0.0f;
};

enum class TuningMemory { kLeave, kRemember, kForget };

struct CliOptions {
    std::string input;
    std::string output;  // "-": standard output
    std::string plugin;  // empty: find libsorvella.so
    SampleFormat format = SampleFormat::kPcm16;
    int sampleRate = 44100;
    int blockSize = 512;
    int program = -1;  // -1: leave the plugin's current program
    double tailSeconds = 10.0;
    std::vector<ParameterSetting> parameters;
    // Applied in this order, before --program and --param.
    std::string bankFile;
    std::string patchFile;
    std::string tuningFile;
    // What the user's settings keep: by default a render changes none of them.
    TuningMemory tuningMemory = TuningMemory::kLeave;
    // Printed once every option above was applied.
    bool listPrograms = false;
    bool listParams = false;
    // Written with what the plugin holds once every option above was applied.
    std::string saveBankFile;
    std::string savePatchFile;
    bool progress = true;  // still only on a terminal
    bool bench = false;
    int benchHeldNotes = 0;  // > 0: synthetic load instead of a MIDI file
    double benchSeconds = 60.0;
    double restrikeSeconds = 0.0;
};

// False when the run only saves files or lists: no MIDI file, no benchmark.
bool rendersAudio(const CliOptions& options);

enum class CliAction { kRun, kHelp, kVersion, kError };

CliAction parseCommandLine(int argc, const char* const* argv, CliOptions& options,
                           std::string& error);
std::string usageText();
std::string versionText();

}  // namespace sorvella
