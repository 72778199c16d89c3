// Writes a whole buffer to a file descriptor, through short writes and interrupted calls.
#pragma once

#include <cerrno>
#include <cstddef>

#include <unistd.h>

namespace sorvella {

inline bool writeAll(int fd, const void* data, std::size_t size) {
    const char* at = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, at, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        at += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace sorvella
