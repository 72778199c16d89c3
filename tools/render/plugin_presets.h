// The user's sounds, handed to the plugin and taken from it the way a host does: bank and patch
// files through effSetChunk / effGetChunk or program names and parameters, tuning files through
// Kestrane's vendor-specific request. Every error is one sentence that names the file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/vst2/aeffect.h"
#include "platform/vst2/fx_file.h"
#include "tools/render/cli_options.h"
#include "tools/render/plugin_host.h"

namespace sorvella {

// effVendorSpecific with this index asks Kestrane's instruments about their tuning; they answer
// 1 on success. The value says what to do: load the file whose NUL-terminated path is in ptr and
// remember it in the settings, load it for this process only, or forget the remembered one.
constexpr std::int32_t kTuningRequest = vst2::fourCC('S', 'T', 'u', 'n');
constexpr vst2::intptr kTuningRemember = 0;
constexpr vst2::intptr kTuningThisSession = 1;
constexpr vst2::intptr kTuningForget = 2;
constexpr const char* kTuningVendor = "Kestrane";
// Larger files are refused before they are read: no plugin's state comes near this.
constexpr std::size_t kFxMaxFileBytes = 64u << 20;

// Read and check a file before any plugin is involved.
bool readFxBankFile(const std::string& path, FxFile& file, std::string& error);
bool readFxPatchFile(const std::string& path, FxFile& file, std::string& error);

// A bank leaves program 0 selected afterwards, as the instrument's own bank loader does.
bool loadFxBank(PluginHost& host, const FxFile& file, const std::string& path, std::string& error);
// A patch goes into the current program.
bool loadFxPatch(PluginHost& host, const FxFile& file, const std::string& path, std::string& error);
// The tuning file at absolutePath (none when empty) and what the settings keep: by default
// nothing changes in them. Forgetting comes before the file is loaded.
bool applyTuning(PluginHost& host, const std::string& absolutePath, const std::string& shownPath,
                 TuningMemory memory, std::string& error);

// The file contents for what the plugin holds now: its chunk when it keeps its programs as
// chunks, otherwise names and parameter values. Here error is only the reason; the caller knows
// which file it was for.
bool captureFxBank(PluginHost& host, std::vector<std::uint8_t>& bytes, std::string& error);
bool captureFxPatch(PluginHost& host, std::vector<std::uint8_t>& bytes, std::string& error);

}  // namespace sorvella
