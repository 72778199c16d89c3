// Where a recording's bytes go: a file, or in tests a fake that can fail on purpose.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace sorvella {

class ByteSink {
  public:
    virtual ~ByteSink() = default;
    // Appends bytes and returns how many were written; fewer than asked means the medium failed
    // (disk full, I/O error) and nothing more should be written.
    virtual std::size_t write(const void* data, std::size_t bytes) = 0;
    // Moves the write position back to the first byte.
    virtual bool rewind() = 0;
    // Cuts the file to size bytes (a partial frame left by a short write).
    virtual bool truncate(std::uint64_t size) = 0;
    // Closes the medium; false when the last writes could not be completed.
    virtual bool close() = 0;
};

// Creates (or empties) the file at path; null when it cannot be created.
std::unique_ptr<ByteSink> createFileSink(const std::string& path);

}  // namespace sorvella
