// The user's sounds, handed to the plugin and taken from it the way a host does: bank and patch
// files through effSetChunk / effGetChunk or program names and parameters, tuning files through
// Kestrane's vendor-specific request. Every error is one sentence that names the file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/vst2/aeffect.h"
#include "tools/render/fx_file.h"
#include "tools/render/plugin_host.h"

namespace sorvella {

// effVendorSpecific with this index and a NUL-terminated path in ptr loads a tuning file into
// Kestrane's instruments; they answer 1 on success.
constexpr std::int32_t kTuningRequest = vst2::fourCC('S', 'T', 'u', 'n');
constexpr const char* kTuningVendor = "Kestrane";

// Read and check a file before any plugin is involved.
bool readFxBankFile(const std::string& path, FxFile& file, std::string& error);
bool readFxPatchFile(const std::string& path, FxFile& file, std::string& error);
// The absolute path of a tuning file that can be read.
bool resolveTuningFile(const std::string& path, std::string& absolutePath, std::string& error);

// A bank leaves program 0 selected afterwards, as the instrument's own bank loader does.
bool loadFxBank(PluginHost& host, const FxFile& file, const std::string& path, std::string& error);
// A patch goes into the current program.
bool loadFxPatch(PluginHost& host, const FxFile& file, const std::string& path, std::string& error);
bool loadTuning(PluginHost& host, const std::string& absolutePath, const std::string& shownPath,
                std::string& error);

// The file contents for what the plugin holds now: its chunk when it keeps its programs as
// chunks, otherwise names and parameter values. Here error is only the reason; the caller knows
// which file it was for.
bool captureFxBank(PluginHost& host, std::vector<std::uint8_t>& bytes, std::string& error);
bool captureFxPatch(PluginHost& host, std::vector<std::uint8_t>& bytes, std::string& error);

}  // namespace sorvella
