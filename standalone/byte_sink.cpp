#include "standalone/byte_sink.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace sorvella {

namespace {

class FileSink final : public ByteSink {
  public:
    explicit FileSink(int fd) : fd_(fd) {}
    ~FileSink() override { close(); }

    std::size_t write(const void* data, std::size_t bytes) override {
        const auto* p = static_cast<const char*>(data);
        std::size_t done = 0;
        while (fd_ >= 0 && done < bytes) {
            const ssize_t n = ::write(fd_, p + done, bytes - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
        return done;
    }
    bool rewind() override { return fd_ >= 0 && ::lseek(fd_, 0, SEEK_SET) == 0; }
    bool truncate(std::uint64_t size) override {
        return fd_ >= 0 && ::ftruncate(fd_, static_cast<off_t>(size)) == 0;
    }
    bool close() override {
        if (fd_ < 0) return true;
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

  private:
    int fd_;
};

}  // namespace

std::unique_ptr<ByteSink> createFileSink(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    return std::make_unique<FileSink>(fd);
}

}  // namespace sorvella
