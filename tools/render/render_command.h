// sorvella-render as a whole: finds and loads the plugin, plays the song or the benchmark load,
// writes the WAV file or the benchmark figures. Errors go to stderr as one line each.
#pragma once

#include <string>
#include <vector>

#include "tools/render/cli_options.h"

namespace sorvella {

// Where libsorvella.so is looked for when --plugin is not given, in order.
std::vector<std::string> defaultPluginCandidates(const std::string& executableDir);

// Returns the process exit code: 0 on success, 1 on failure.
int runRenderCommand(const CliOptions& options, const std::string& executableDir);

}  // namespace sorvella
