// Helpers for the renderer's tests: scratch directories, files, and running sorvella-render.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/temp_dir.h"

namespace sorvella::test {

// A temporary directory whose paths are strings, as the renderer's command lines take them.
class ScratchDir : public TempDir {
  public:
    ScratchDir() : TempDir("render"), text_(TempDir::path().string()) {}
    const std::string& path() const { return text_; }
    std::string file(const std::string& name) const { return text_ + "/" + name; }
    std::vector<std::string> entries() const { return directoryEntries(path()); }

  private:
    std::string text_;
};

std::vector<std::string> readLines(const std::string& path);

struct ProcessResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs a program with the given arguments and extra environment, collecting its output.
ProcessResult runProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::vector<std::pair<std::string, std::string>>& env = {});

}  // namespace sorvella::test
