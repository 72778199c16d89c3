#include <cstdio>
#include <string>

#include <limits.h>
#include <unistd.h>

#include "tools/render/cli_options.h"
#include "tools/render/render_command.h"

namespace {

std::string executableDir() {
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return {};
    std::string dir(path, static_cast<std::size_t>(n));
    const std::size_t slash = dir.rfind('/');
    return slash == std::string::npos ? std::string() : dir.substr(0, slash);
}

}  // namespace

int main(int argc, char** argv) {
    sorvella::CliOptions options;
    std::string error;
    switch (sorvella::parseCommandLine(argc, argv, options, error)) {
        case sorvella::CliAction::kHelp:
            std::fputs(sorvella::usageText().c_str(), stdout);
            return 0;
        case sorvella::CliAction::kVersion:
            std::fputs(sorvella::versionText().c_str(), stdout);
            return 0;
        case sorvella::CliAction::kError:
            std::fprintf(stderr, "sorvella-render: %s\n", error.c_str());
            return 2;
        case sorvella::CliAction::kRun:
            break;
    }
    return sorvella::runRenderCommand(options, executableDir());
}
