// Input files the renderer hands to a plugin (banks, patches, tuning files). They are opened
// without blocking and must be regular files: a named pipe or a device at the path is refused at
// once instead of waiting for a writer or reading without end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sorvella {

// Reads the whole file when it is at most maxBytes long. Errors are complete sentences naming
// the path.
bool readRegularFile(const std::string& path, std::size_t maxBytes,
                     std::vector<std::uint8_t>& bytes, std::string& error);

// Checks that the file can be opened for reading and is a regular file, and gives its absolute
// path with every symbolic link resolved.
bool resolveRegularFile(const std::string& path, std::string& absolutePath, std::string& error);

}  // namespace sorvella
