#include "tools/render/regular_file.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvella {
namespace {

class ReadOnlyFile {
  public:
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    explicit ReadOnlyFile(const std::string& path)
        : fd_(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)) {}
    ~ReadOnlyFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    // Opened, and a regular file; size gets its length.
    bool check(const std::string& path, off_t& size, std::string& error) const {
        if (fd_ < 0) {
            error = "cannot open " + path + ": " + std::strerror(errno);
            return false;
        }
        struct stat info {};
        if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
            error = "cannot read " + path + ": not a regular file";
            return false;
        }
        size = info.st_size;
        return true;
    }
    int fd() const { return fd_; }

  private:
    int fd_;
};

}  // namespace

bool readRegularFile(const std::string& path, std::size_t maxBytes,
                     std::vector<std::uint8_t>& bytes, std::string& error) {
    bytes.clear();
    ReadOnlyFile file(path);
    off_t size = 0;
    if (!file.check(path, size, error)) return false;
    if (static_cast<std::uintmax_t>(size) > maxBytes) {
        error = path + ": too large (" + std::to_string(size) + " bytes; the most is " +
                std::to_string(maxBytes) + ")";
        return false;
    }
    bytes.resize(static_cast<std::size_t>(size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(file.fd(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = "cannot read " + path + ": " +
                    (n < 0 ? std::strerror(errno) : "the file got shorter");
            bytes.clear();
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool resolveRegularFile(const std::string& path, std::string& absolutePath, std::string& error) {
    ReadOnlyFile file(path);
    off_t size = 0;
    if (!file.check(path, size, error)) return false;
    char resolved[PATH_MAX];
    if (!::realpath(path.c_str(), resolved)) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    absolutePath = resolved;
    return true;
}

}  // namespace sorvella
