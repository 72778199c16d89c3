// Runs a program as a child process and collects what it prints, for the dialog programs that
// stand in for the platform's file dialogs. The child is started with posix_spawnp (no fork of a
// host's large process) and waited for.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace sorvella {

struct ChildOutput {
    // The exit status, or -1 when the child did not exit normally or could not be waited for.
    int status = -1;
    std::string out;  // standard output, at most kMaxChildOutput bytes
};

inline constexpr std::size_t kMaxChildOutput = 64 * 1024;

// None when the program could not be started (not on PATH, not executable).
std::optional<ChildOutput> runChild(const std::vector<std::string>& argv);

}  // namespace sorvella
