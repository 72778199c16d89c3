// An output file that appears under its final name only when complete: it is written to a
// temporary file in the same directory and renamed over the target at commit. Until then,
// destruction removes the temporary file, so a failed run leaves nothing half-written behind.
#pragma once

#include <cstdio>
#include <string>

namespace sorvella {

class PendingFile {
  public:
    PendingFile() = default;
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // Creates the temporary file beside path.
    bool open(const std::string& path, std::string& error);
    std::FILE* stream() const { return stream_; }
    const std::string& temporaryPath() const { return temporary_; }

    // Flushes, syncs and renames the temporary file to the target name.
    bool commit(std::string& error);
    // Closes and removes the temporary file.
    void discard();

  private:
    std::string target_;
    std::string temporary_;
    std::FILE* stream_ = nullptr;
};

}  // namespace sorvella
