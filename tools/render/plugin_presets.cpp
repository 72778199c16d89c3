#include "tools/render/plugin_presets.h"

#include "tools/render/regular_file.h"

namespace sorvella {
namespace {

bool readChecked(const std::string& path, bool bank, FxFile& file, std::string& error) {
    std::vector<std::uint8_t> bytes;
    if (!readRegularFile(path, kFxMaxFileBytes, bytes, error)) return false;
    std::string why;
    if (!(bank ? parseFxBank(bytes, file, why) : parseFxPatch(bytes, file, why))) {
        error = path + ": " + why;
        return false;
    }
    return true;
}

// Programs and parameters of a parameter-list file must all exist in the plugin; nothing is
// applied until that is known.
bool checkPrograms(const PluginHost& host, const FxFile& file, const std::string& path,
                   std::string& error) {
    for (std::size_t i = 0; i < file.programs.size(); ++i) {
        const std::size_t n = file.programs[i].values.size();
        if (n != static_cast<std::size_t>(host.numParams())) {
            error = path + ": " +
                    (file.kind == FxKind::kBankPrograms ? "program " + std::to_string(i)
                                                        : std::string("the program")) +
                    " has " + std::to_string(n) + " parameters, the plugin has " +
                    std::to_string(host.numParams());
            return false;
        }
    }
    return true;
}

bool applyProgram(PluginHost& host, const FxProgram& program, std::string& error) {
    host.setProgramName(program.name);
    for (std::size_t i = 0; i < program.values.size(); ++i) {
        if (!host.setParameter(static_cast<int>(i), program.values[i], error)) return false;
    }
    return true;
}

bool sendChunk(PluginHost& host, bool preset, const FxFile& file, const std::string& path,
               std::string& error) {
    if (!host.hasProgramChunks()) {
        error = path + ": holds a chunk, and the plugin does not take chunks";
        return false;
    }
    if (!host.setChunk(preset, file.chunk)) {
        error = path + ": the plugin refused it";
        return false;
    }
    return true;
}

FxProgram currentProgramValues(PluginHost& host) {
    FxProgram program;
    program.name = host.programName();
    program.values.resize(static_cast<std::size_t>(host.numParams()));
    for (std::size_t i = 0; i < program.values.size(); ++i)
        program.values[i] = host.getParameter(static_cast<int>(i));
    return program;
}

}  // namespace

bool readFxBankFile(const std::string& path, FxFile& file, std::string& error) {
    return readChecked(path, true, file, error);
}

bool readFxPatchFile(const std::string& path, FxFile& file, std::string& error) {
    return readChecked(path, false, file, error);
}

bool loadFxBank(PluginHost& host, const FxFile& file, const std::string& path, std::string& error) {
    if (file.kind == FxKind::kBankChunk) {
        if (!sendChunk(host, false, file, path, error)) return false;
    } else {
        if (file.programs.size() > static_cast<std::size_t>(host.numPrograms())) {
            error = path + ": the bank holds " + std::to_string(file.programs.size()) +
                    " programs, the plugin has " + std::to_string(host.numPrograms());
            return false;
        }
        if (!checkPrograms(host, file, path, error)) return false;
        for (std::size_t i = 0; i < file.programs.size(); ++i) {
            if (!host.setProgram(static_cast<int>(i), error) ||
                !applyProgram(host, file.programs[i], error)) {
                return false;
            }
        }
    }
    return host.numPrograms() == 0 || host.setProgram(0, error);
}

bool loadFxPatch(PluginHost& host, const FxFile& file, const std::string& path,
                 std::string& error) {
    if (file.kind == FxKind::kPatchChunk) return sendChunk(host, true, file, path, error);
    return checkPrograms(host, file, path, error) && applyProgram(host, file.programs[0], error);
}

bool applyTuning(PluginHost& host, const std::string& absolutePath, const std::string& shownPath,
                 TuningMemory memory, std::string& error) {
    const std::string& named = absolutePath.empty() ? std::string("--forget-tuning") : shownPath;
    // A vendor-specific request means something else, or nothing, to another vendor's plugin.
    if (host.vendorString() != kTuningVendor) {
        error = named + ": the plugin cannot load tuning files";
        return false;
    }
    if (memory == TuningMemory::kForget &&
        host.vendorSpecific(kTuningRequest, kTuningForget, nullptr) != 1) {
        error = "--forget-tuning: the plugin refused it";
        return false;
    }
    if (absolutePath.empty()) return true;
    std::string path = absolutePath;  // the request's pointer is not const
    const vst2::intptr how =
        memory == TuningMemory::kRemember ? kTuningRemember : kTuningThisSession;
    if (host.vendorSpecific(kTuningRequest, how, path.data()) != 1) {
        error = shownPath + ": the plugin refused it";
        return false;
    }
    return true;
}

bool captureFxBank(PluginHost& host, std::vector<std::uint8_t>& bytes, std::string& error) {
    if (host.hasProgramChunks()) {
        std::vector<std::uint8_t> chunk;
        if (!host.getChunk(false, chunk, error)) return false;
        bytes = fxBankChunkFile(host.uniqueId(), host.pluginVersion(), host.numPrograms(), chunk);
        return true;
    }
    const int current = host.currentProgram();
    std::vector<FxProgram> programs;
    for (int i = 0; i < host.numPrograms(); ++i) {
        if (!host.setProgram(i, error)) return false;
        programs.push_back(currentProgramValues(host));
    }
    if (current >= 0 && current < host.numPrograms() && !host.setProgram(current, error)) {
        return false;
    }
    bytes = fxBankProgramsFile(host.uniqueId(), host.pluginVersion(), programs);
    return true;
}

bool captureFxPatch(PluginHost& host, std::vector<std::uint8_t>& bytes, std::string& error) {
    if (host.hasProgramChunks()) {
        std::vector<std::uint8_t> chunk;
        if (!host.getChunk(true, chunk, error)) return false;
        // After the chunk: an instrument may store its working program into the slot first.
        bytes = fxPatchChunkFile(host.uniqueId(), host.pluginVersion(), host.numParams(),
                                 host.programName(), chunk);
        return true;
    }
    bytes = fxPatchProgramFile(host.uniqueId(), host.pluginVersion(), currentProgramValues(host));
    return true;
}

}  // namespace sorvella
