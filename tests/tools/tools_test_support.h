// Helpers for the renderer's tests: scratch directories, files, and running sorvella-render.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace sorvella::test {

// A fresh directory under $SORVELLA_TEST_TMP (or the system's temporary directory), removed
// with everything in it when the object goes.
class ScratchDir {
  public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    std::vector<std::string> entries() const;  // names, sorted

  private:
    std::string path_;
};

std::vector<std::uint8_t> readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
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
