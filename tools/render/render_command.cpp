#include "tools/render/render_command.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include <unistd.h>

#include "tools/render/fx_file.h"
#include "tools/render/midi_file.h"
#include "tools/render/pending_file.h"
#include "tools/render/plugin_host.h"
#include "tools/render/plugin_presets.h"
#include "tools/render/render_song.h"
#include "tools/render/wav_writer.h"

namespace sorvella {
namespace {

constexpr const char* kPluginFileName = "libsorvella.so";

void fail(const std::string& message) {
    std::fprintf(stderr, "sorvella-render: %s\n", message.c_str());
}

class WavSink : public AudioSink {
  public:
    explicit WavSink(WavWriter& writer) : writer_(writer) {}
    bool consume(const float* const* channels, int frames, std::string& error) override {
        return writer_.write(channels, frames, error);
    }

  private:
    WavWriter& writer_;
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

// Captures the bank or the current program into a pending file; nothing to do without a path.
bool saveState(PluginHost& host, bool bank, const std::string& path, PendingFile& out,
               std::string& error) {
    if (path.empty()) return true;
    std::vector<std::uint8_t> bytes;
    std::string why;
    if (!(bank ? captureFxBank(host, bytes, why) : captureFxPatch(host, bytes, why))) {
        error = "cannot save " + path + ": " + why;
        return false;
    }
    if (!out.open(path, error)) return false;
    if (std::fwrite(bytes.data(), 1, bytes.size(), out.stream()) != bytes.size()) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        out.discard();
        return false;
    }
    return true;
}

}  // namespace

std::vector<std::string> defaultPluginCandidates(const std::string& executableDir) {
    std::vector<std::string> candidates;
    if (!executableDir.empty()) {
        candidates.push_back(executableDir + "/" + kPluginFileName);
#ifdef SORVELLA_PLUGIN_INSTALL_DIR
        candidates.push_back(executableDir + "/../" SORVELLA_PLUGIN_INSTALL_DIR "/" +
                             std::string(kPluginFileName));
#endif
    }
#ifdef SORVELLA_PLUGIN_BUILD_DIR
    candidates.push_back(SORVELLA_PLUGIN_BUILD_DIR "/" + std::string(kPluginFileName));
#endif
    return candidates;
}

int runRenderCommand(const CliOptions& options, const std::string& executableDir) {
    std::string error;
    const double rate = options.sampleRate;

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

    // The song and the preset files are read before the plugin is loaded, so a bad file costs
    // nothing else.
    const bool rendering = rendersAudio(options);
    MidiSong song;
    std::vector<TimedEvent> events;
    int notesHeld = 0;
    if (!rendering) {
        // Only saving.
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
         !resolveTuningFile(options.tuningFile, tuningPath, error))) {
        fail(error);
        return 1;
    }

    PluginHost host;
    if (!host.load(pluginPath, rate, options.blockSize, error)) {
        fail(error);
        return 1;
    }
    if ((!options.bankFile.empty() && !loadFxBank(host, bank, options.bankFile, error)) ||
        (!options.patchFile.empty() && !loadFxPatch(host, patch, options.patchFile, error)) ||
        (!options.tuningFile.empty() && !loadTuning(host, tuningPath, options.tuningFile, error))) {
        fail(error);
        return 1;
    }
    if (options.program >= 0 && !host.setProgram(options.program, error)) {
        fail(error);
        return 1;
    }
    for (const ParameterSetting& p : options.parameters) {
        if (!host.setParameter(p.index, p.value, error)) {
            fail(error);
            return 1;
        }
    }

    // Written now, put in place only once the whole run succeeded.
    PendingFile bankOut;
    PendingFile patchOut;
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

    WavWriter writer;
    std::unique_ptr<WavSink> sink;
    if (!options.bench) {
        if (!writer.open(options.output, options.sampleRate, 2, options.format, error)) {
            fail(error);
            return 1;
        }
        sink = std::make_unique<WavSink>(writer);
    }

    RenderLimits limits;
    limits.tailSeconds = options.benchHeldNotes > 0 ? 0.0 : options.tailSeconds;
    std::unique_ptr<TerminalProgress> progress;
    if (options.progress && ::isatty(STDERR_FILENO))
        progress = std::make_unique<TerminalProgress>();

    host.resume();
    RenderResult result;
    const bool rendered =
        renderEvents(host, events, limits, sink.get(), progress.get(), result, error);
    progress.reset();
    host.close();
    if (!rendered) {
        writer.abandon();
        fail(error);
        return 1;
    }

    if (options.bench) {
        const double audioSeconds = static_cast<double>(result.frames) / rate;
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
        return commitSaves();
    }
    if (!writer.finish(error)) {
        fail(error);
        return 1;
    }
    return commitSaves();
}

}  // namespace sorvella
