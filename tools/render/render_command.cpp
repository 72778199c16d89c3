#include "tools/render/render_command.h"

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>

#include <unistd.h>

#include "tools/render/audio_file_writer.h"
#include "tools/render/interrupt_cleanup.h"
#include "tools/render/midi_file.h"
#include "tools/render/output_file.h"
#include "tools/render/plugin_host.h"
#include "tools/render/plugin_presets.h"
#include "tools/render/regular_file.h"
#include "tools/render/render_song.h"

namespace sorvella {
namespace {

constexpr const char* kPluginFileName = "libsorvella.so";

void fail(const std::string& message) {
    std::fprintf(stderr, "sorvella-render: %s\n", message.c_str());
}

std::string decibels(float level) {
    if (!(level > 0.0f)) return "-inf dBFS";
    char text[32];
    std::snprintf(text, sizeof text, "%+.1f dBFS", 20.0 * std::log10(static_cast<double>(level)));
    return text;
}

class FileSink : public AudioSink {
  public:
    explicit FileSink(AudioFileWriter& writer) : writer_(writer) {}
    bool consume(const float* const* channels, int frames, std::string& error) override {
        return writer_.write(channels, frames, error);
    }

  private:
    AudioFileWriter& writer_;
};

class TerminalProgress : public ProgressReporter {
  public:
    ~TerminalProgress() override {
        if (shown_) std::fputc('\n', stderr);
    }
    void update(double fraction, double renderedSeconds) override {
        constexpr int kWidth = 40;
        const int filled = static_cast<int>(fraction * kWidth + 0.5);
        char bar[kWidth + 1];
        for (int i = 0; i < kWidth; ++i)
            bar[i] = i < filled ? '#' : '-';
        bar[kWidth] = '\0';
        std::fprintf(stderr, "\r[%s] %3d%% %7.1f s", bar, static_cast<int>(fraction * 100.0 + 0.5),
                     renderedSeconds);
        std::fflush(stderr);
        shown_ = true;
    }

  private:
    bool shown_ = false;
};

bool exists(const std::string& path) {
    return ::access(path.c_str(), F_OK) == 0;
}

// Runs work with the process's standard error going to a scratch file, and gives back what was
// written there.
std::string captureStandardError(const std::function<void()>& work) {
    std::fflush(stderr);
    char name[] = "/tmp/sorvella-render-stderr-XXXXXX";
    const int scratch = ::mkstemp(name);
    const int saved = scratch >= 0 ? ::dup(STDERR_FILENO) : -1;
    if (saved < 0) {
        if (scratch >= 0) ::close(scratch);
        ::unlink(name);
        work();
        return {};
    }
    ::unlink(name);
    ::dup2(scratch, STDERR_FILENO);
    work();
    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    std::string text;
    char buffer[4096];
    ::lseek(scratch, 0, SEEK_SET);
    for (ssize_t n; (n = ::read(scratch, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    ::close(scratch);
    return text;
}

// What the plugin said while it started, passed on. Kestrane's instrument opens one file then,
// the tuning file remembered in its settings; when that cannot be opened its error box comes as
// two lines (the message, then the path). That one is said once, in the renderer's words, or
// not at all when the run forgets the setting anyway.
void passOnStartupMessages(const std::string& text, bool kestrane, bool forgetting) {
    const std::string box = "Sorvella Error: Error opening file\n";
    const std::size_t at = kestrane ? text.find(box) : std::string::npos;
    if (at == std::string::npos) {
        std::fputs(text.c_str(), stderr);
        return;
    }
    const std::size_t pathStart = at + box.size();
    std::size_t pathEnd = text.find('\n', pathStart);
    if (pathEnd == std::string::npos) pathEnd = text.size();
    std::fputs(text.substr(0, at).c_str(), stderr);
    if (!forgetting) {
        fail("the tuning file in Sorvella's settings, " +
             text.substr(pathStart, pathEnd - pathStart) +
             ", cannot be opened; rendering in equal temperament (--forget-tuning clears the "
             "setting)");
    }
    std::fputs(text.substr(std::min(pathEnd + 1, text.size())).c_str(), stderr);
}

std::string lowercase(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool resolveParameterName(PluginHost& host, ParameterSetting& setting, std::string& error) {
    if (setting.name.empty()) return true;
    for (int i = 0; i < host.numParams(); ++i) {
        if (lowercase(host.parameterName(i)) == lowercase(setting.name)) {
            setting.index = i;
            return true;
        }
    }
    error = "the plugin has no parameter named \"" + setting.name + "\" (see --list-params)";
    return false;
}

void listPrograms(PluginHost& host) {
    const int current = host.currentProgram();
    std::printf("programs (* the current one):\n");
    for (int p = 0; p < host.numPrograms(); ++p) {
        std::printf("%c%3d  %s\n", p == current ? '*' : ' ', p, host.programNameAt(p).c_str());
    }
}

void listParameters(PluginHost& host) {
    std::printf("parameters (index, name, value shown, unit):\n");
    for (int i = 0; i < host.numParams(); ++i) {
        std::printf(" %3d  %-18s %s %s\n", i, host.parameterName(i).c_str(),
                    host.parameterDisplay(i).c_str(), host.parameterLabel(i).c_str());
    }
}

// The outputs of the run, looked at before anything is loaded: each must be writable, and no
// two may name one file.
bool checkOutputs(const CliOptions& options, std::string& error) {
    struct Named {
        const char* option;
        const std::string* path;
        OutputTarget target;
    };
    Named outputs[] = {{"-o", &options.output, {}},
                       {"--save-bank", &options.saveBankFile, {}},
                       {"--save-patch", &options.savePatchFile, {}}};
    for (Named& o : outputs) {
        if (!o.path->empty() && !inspectOutputTarget(*o.path, o.target, error)) return false;
    }
    for (std::size_t a = 0; a < std::size(outputs); ++a) {
        for (std::size_t b = a + 1; b < std::size(outputs); ++b) {
            if (outputs[a].path->empty() || outputs[b].path->empty()) continue;
            if (sameOutputTarget(outputs[a].target, outputs[b].target)) {
                error = std::string(outputs[a].option) + " " + *outputs[a].path + " and " +
                        outputs[b].option + " " + *outputs[b].path + " name the same file";
                return false;
            }
        }
    }
    if (options.output == "-" && ::isatty(STDOUT_FILENO)) {
        error = "-o - would write audio to the terminal; pipe it into a program or name a file";
        return false;
    }
    if (options.output == "-" && (options.listPrograms || options.listParams)) {
        error = "-o - and the lists would both go to standard output";
        return false;
    }
    return true;
}

// Captures the bank or the current program into an output file; nothing to do without a path.
bool saveState(PluginHost& host, bool bank, const std::string& path, OutputFile& out,
               std::string& error) {
    if (path.empty()) return true;
    std::vector<std::uint8_t> bytes;
    std::string why;
    if (!(bank ? captureFxBank(host, bytes, why) : captureFxPatch(host, bytes, why))) {
        error = "cannot save " + path + ": " + why;
        return false;
    }
    if (!out.open(path, error)) return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(out.fd(), bytes.data() + done, bytes.size() - done);
        if (n <= 0) {
            error = "cannot write " + path + ": " + std::strerror(errno);
            out.discard();
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void printBenchmark(const CliOptions& options, const RenderResult& result, int notesHeld) {
    const double audioSeconds = static_cast<double>(result.frames) / options.sampleRate;
    std::printf("audio rendered:          %.3f s at %d Hz, blocks of %d\n", audioSeconds,
                options.sampleRate, options.blockSize);
    std::printf("CPU in process calls:    %.3f s\n", result.cpuSeconds);
    if (result.cpuSeconds > 0.0) {
        std::printf("real-time factor:        %.1f\n", audioSeconds / result.cpuSeconds);
    } else {
        std::printf("real-time factor:        (too fast to measure)\n");
    }
    if (options.benchHeldNotes > 0) {
        std::printf("notes held:              %d (synthetic load", notesHeld);
        if (options.restrikeSeconds > 0.0) {
            std::printf(", struck again every %g s", options.restrikeSeconds);
        }
        std::printf(")\n");
    } else {
        std::printf("most notes held at once: %d (counted from the MIDI file)\n", notesHeld);
    }
}

}  // namespace

std::vector<std::string> defaultPluginCandidates(const std::string& executableDir) {
    std::vector<std::string> candidates;
    if (!executableDir.empty()) {
        candidates.push_back(executableDir + "/" + kPluginFileName);
    }
#ifdef SORVELLA_PLUGIN_INSTALL_DIR
    const std::string installDir = SORVELLA_PLUGIN_INSTALL_DIR;
    if (installDir.front() == '/') {
        candidates.push_back(installDir + "/" + kPluginFileName);
    } else if (!executableDir.empty()) {
        candidates.push_back(executableDir + "/../" + installDir + "/" + kPluginFileName);
    }
#endif
#ifdef SORVELLA_PLUGIN_BUILD_DIR
    candidates.push_back(SORVELLA_PLUGIN_BUILD_DIR "/" + std::string(kPluginFileName));
#endif
    return candidates;
}

int runRenderCommand(const CliOptions& givenOptions, const std::string& executableDir) {
    CliOptions options = givenOptions;
    std::string error;
    const double rate = options.sampleRate;
    installInterruptCleanup();

    std::string pluginPath = options.plugin;
    if (pluginPath.empty()) {
        const std::vector<std::string> candidates = defaultPluginCandidates(executableDir);
        for (const std::string& c : candidates) {
            if (exists(c)) {
                pluginPath = c;
                break;
            }
        }
        if (pluginPath.empty()) {
            std::string looked;
            for (const std::string& c : candidates)
                looked += (looked.empty() ? "" : ", ") + c;
            fail(std::string("cannot find ") + kPluginFileName + " (looked at " + looked +
                 "); name it with --plugin PATH");
            return 1;
        }
    }
    if (!checkOutputs(options, error)) {
        fail(error);
        return 1;
    }

    // The song and the preset files are read before the plugin is loaded, so a bad file costs
    // nothing else.
    const bool rendering = rendersAudio(options);
    MidiSong song;
    std::vector<TimedEvent> events;
    int notesHeld = 0;
    if (!rendering) {
        // Only saving or listing.
    } else if (options.benchHeldNotes > 0) {
        events = heldNotesWorkload(options.benchHeldNotes, options.benchSeconds,
                                   options.restrikeSeconds, rate);
        notesHeld = options.benchHeldNotes;
    } else {
        if (!loadMidiFile(options.input, song, error)) {
            fail(error);
            return 1;
        }
        events = scheduleSong(song, rate);
        notesHeld = maxNotesHeld(song);
    }

    FxFile bank;
    FxFile patch;
    std::string tuningPath;
    if ((!options.bankFile.empty() && !readFxBankFile(options.bankFile, bank, error)) ||
        (!options.patchFile.empty() && !readFxPatchFile(options.patchFile, patch, error)) ||
        (!options.tuningFile.empty() &&
         !resolveRegularFile(options.tuningFile, tuningPath, error))) {
        fail(error);
        return 1;
    }

    PluginHost host;
    bool loaded = false;
    const std::string startup = captureStandardError(
        [&] { loaded = host.load(pluginPath, rate, options.blockSize, error); });
    passOnStartupMessages(startup, loaded && host.vendorString() == kTuningVendor,
                          options.tuningMemory == TuningMemory::kForget);
    if (!loaded) {
        fail(error);
        return 1;
    }
    if (rendering && !host.isInstrument()) {
        fail(pluginPath +
             " is an effect, not an instrument (it does not carry the synth flag); "
             "sorvella-render plays MIDI through instruments only");
        return 1;
    }
    const bool tuning = !options.tuningFile.empty() || options.tuningMemory != TuningMemory::kLeave;
    if ((!options.bankFile.empty() && !loadFxBank(host, bank, options.bankFile, error)) ||
        (!options.patchFile.empty() && !loadFxPatch(host, patch, options.patchFile, error)) ||
        (tuning &&
         !applyTuning(host, tuningPath, options.tuningFile, options.tuningMemory, error))) {
        fail(error);
        return 1;
    }
    if (options.program >= 0 && !host.setProgram(options.program, error)) {
        fail(error);
        return 1;
    }
    for (ParameterSetting& p : options.parameters) {
        if (!resolveParameterName(host, p, error) || !host.setParameter(p.index, p.value, error)) {
            fail(error);
            return 1;
        }
    }
    if (options.listPrograms) listPrograms(host);
    if (options.listParams) listParameters(host);
    std::fflush(stdout);

    // Written now, put in place only once the whole run succeeded.
    OutputFile bankOut;
    OutputFile patchOut;
    if (!saveState(host, true, options.saveBankFile, bankOut, error) ||
        !saveState(host, false, options.savePatchFile, patchOut, error)) {
        fail(error);
        return 1;
    }
    auto commitSaves = [&]() {
        if ((!options.saveBankFile.empty() && !bankOut.commit(error)) ||
            (!options.savePatchFile.empty() && !patchOut.commit(error))) {
            fail(error);
            return 1;
        }
        return 0;
    };
    if (!rendering) {
        host.close();
        return commitSaves();
    }

    AudioFileWriter writer;
    std::unique_ptr<FileSink> sink;
    if (!options.bench) {
        const std::int64_t lastFrame = events.empty() ? 0 : events.back().frame;
        const auto framesAtMost = static_cast<std::uint64_t>(
            lastFrame + 1 + std::llround(options.tailSeconds * rate) + options.blockSize);
        if (!writer.open(options.output, options.sampleRate, options.format, framesAtMost, error)) {
            fail(error);
            return 1;
        }
        sink = std::make_unique<FileSink>(writer);
    }

    RenderLimits limits;
    limits.tailSeconds = options.benchHeldNotes > 0 ? 0.0 : options.tailSeconds;
    const bool onTerminal = ::isatty(STDERR_FILENO) != 0;
    std::unique_ptr<TerminalProgress> progress;
    if (options.progress && onTerminal) progress = std::make_unique<TerminalProgress>();

    host.resume();
    RenderResult result;
    const auto started = std::chrono::steady_clock::now();
    const bool rendered =
        renderEvents(host, events, limits, sink.get(), progress.get(), result, error);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
    progress.reset();
    host.close();
    if (!rendered) {
        writer.abandon();
        fail(error);
        return 1;
    }
    if (options.bench) {
        printBenchmark(options, result, notesHeld);
        return commitSaves();
    }
    if (!writer.finish(error)) {
        fail(error);
        return 1;
    }
    const std::string shown = options.output == "-" ? "standard output" : options.output;
    if (writer.clippedSamples() > 0) {
        fail("the output clips: " + std::to_string(writer.clippedSamples()) + " samples of " +
             shown + " are beyond full scale (peak " + decibels(writer.peak()) +
             "); lower the level or write --format f32");
    }
    if (onTerminal) {
        const double seconds = static_cast<double>(writer.framesWritten()) / rate;
        std::fprintf(stderr, "%s: %.1f s, peak %s, rendered at %.0fx real time\n", shown.c_str(),
                     seconds, decibels(writer.peak()).c_str(),
                     took.count() > 0.0 ? seconds / took.count() : 0.0);
    }
    return commitSaves();
}

}  // namespace sorvella
