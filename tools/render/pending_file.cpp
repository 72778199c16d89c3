#include "tools/render/pending_file.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace sorvella {

PendingFile::~PendingFile() {
    discard();
}

bool PendingFile::open(const std::string& path, std::string& error) {
    discard();
    if (path.empty()) {
        error = "empty output file name";
        return false;
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        error = "cannot write " + path + ": it is a directory";
        return false;
    }
    // Same directory as the target, so the final rename cannot cross file systems.
    std::string pattern = path + ".partial-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    // mkstemp creates the file 0600; the result should have the usual permissions.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    stream_ = ::fdopen(fd, "wb");
    if (!stream_) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        ::close(fd);
        ::unlink(name.data());
        return false;
    }
    target_ = path;
    temporary_ = name.data();
    return true;
}

bool PendingFile::commit(std::string& error) {
    if (!stream_) {
        error = "no output file open";
        return false;
    }
    bool ok = std::fflush(stream_) == 0 && ::fsync(::fileno(stream_)) == 0;
    int saved = errno;
    if (std::fclose(stream_) != 0 && ok) {
        ok = false;
        saved = errno;
    }
    stream_ = nullptr;
    if (ok && ::rename(temporary_.c_str(), target_.c_str()) != 0) {
        ok = false;
        saved = errno;
    }
    if (!ok) {
        error = "cannot write " + target_ + ": " + std::strerror(saved);
        ::unlink(temporary_.c_str());
    }
    temporary_.clear();
    return ok;
}

void PendingFile::discard() {
    if (stream_) {
        std::fclose(stream_);
        stream_ = nullptr;
    }
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
}

}  // namespace sorvella
