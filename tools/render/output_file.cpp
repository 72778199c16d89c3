#include "tools/render/output_file.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/write_all.h"
#include "tools/render/interrupt_cleanup.h"

namespace sorvella {
namespace {

// As many links as the kernel follows before it gives up with ELOOP.
constexpr int kMaxLinks = 40;

std::string directoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string baseNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The path with its symbolic links followed; it need not exist (a link may name a file still
// to be made).
bool followLinks(const std::string& path, std::string& result, std::string& error) {
    std::string current = path;
    for (int hops = 0; hops <= kMaxLinks; ++hops) {
        struct stat info {};
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            result = current;
            return true;
        }
        std::vector<char> text(PATH_MAX);
        const ssize_t n = ::readlink(current.c_str(), text.data(), text.size() - 1);
        if (n < 0) break;
        const std::string link(text.data(), static_cast<std::size_t>(n));
        current = link.front() == '/' ? link : directoryOf(current) + "/" + link;
    }
    error = "cannot write " + path + ": " + std::strerror(ELOOP);
    return false;
}

}  // namespace

bool inspectOutputTarget(const std::string& path, OutputTarget& target, std::string& error) {
    target = OutputTarget{};
    target.shownPath = path;
    if (path == "-") {
        target.kind = OutputTarget::Kind::kStandardOutput;
        struct stat info {};
        if (::fstat(STDOUT_FILENO, &info) == 0) {
            target.exists = true;
            target.device = info.st_dev;
            target.inode = info.st_ino;
        }
        return true;
    }
    if (path.empty()) {
        error = "empty output file name";
        return false;
    }
    if (!followLinks(path, target.finalPath, error)) return false;
    struct stat info {};
    if (::stat(target.finalPath.c_str(), &info) != 0) {
        // A new file: its directory is checked when the file is made.
        target.kind = OutputTarget::Kind::kRegularFile;
        return true;
    }
    target.exists = true;
    target.device = info.st_dev;
    target.inode = info.st_ino;
    if (S_ISDIR(info.st_mode)) {
        error = "cannot write " + path + ": it is a directory";
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        target.kind = OutputTarget::Kind::kDirect;
        return true;
    }
    // Write permission is the file's own answer, even for root, who could override it.
    if ((info.st_mode & 0222) == 0) {
        error = "cannot write " + path + ": the file is read-only";
        return false;
    }
    if (::access(target.finalPath.c_str(), W_OK) != 0) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool sameOutputTarget(const OutputTarget& a, const OutputTarget& b) {
    if (a.exists && b.exists) return a.device == b.device && a.inode == b.inode;
    if (a.exists != b.exists) return false;
    // Two files still to be made: the same name in the same directory.
    char dirA[PATH_MAX];
    char dirB[PATH_MAX];
    if (!::realpath(directoryOf(a.finalPath).c_str(), dirA) ||
        !::realpath(directoryOf(b.finalPath).c_str(), dirB)) {
        return a.finalPath == b.finalPath;
    }
    return std::strcmp(dirA, dirB) == 0 && baseNameOf(a.finalPath) == baseNameOf(b.finalPath);
}

OutputFile::~OutputFile() {
    discard();
}

bool OutputFile::open(const std::string& path, std::string& error) {
    discard();
    if (!inspectOutputTarget(path, target_, error)) return false;
    switch (target_.kind) {
        case OutputTarget::Kind::kRegularFile:
            return openBeside(error);
        case OutputTarget::Kind::kStandardOutput:
            direct_ = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
            break;
        case OutputTarget::Kind::kDirect:
            // Blocks on a named pipe until a reader comes, as a shell's redirection does.
            direct_ = ::open(target_.finalPath.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
            break;
    }
    if (direct_ < 0) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    return openScratch(error);
}

bool OutputFile::openBeside(std::string& error) {
    // Same directory as the target, so the final rename cannot cross file systems.
    std::string name = target_.finalPath + ".partial-XXXXXX";
    {
        const InterruptsHeld held;
        contents_ = ::mkostemp(name.data(), O_CLOEXEC);
        if (contents_ >= 0) cleanupSlot_ = removeOnInterrupt(name);
    }
    if (contents_ < 0) {
        error = "cannot write " + target_.shownPath + ": " + std::strerror(errno);
        return false;
    }
    temporary_ = name;
    // mkstemp makes the file 0600: take the replaced file's permissions, or the usual ones.
    struct stat info {};
    mode_t mode = 0;
    if (target_.exists && ::stat(target_.finalPath.c_str(), &info) == 0) {
        mode = info.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(contents_, mode);
    return true;
}

bool OutputFile::openScratch(std::string& error) {
    const char* base = std::getenv("TMPDIR");
    std::string name = std::string(base && *base ? base : "/tmp") + "/sorvella-render-XXXXXX";
    contents_ = ::mkostemp(name.data(), O_CLOEXEC);
    if (contents_ < 0) {
        error = "cannot make a scratch file for " + target_.shownPath + " in " + directoryOf(name) +
                ": " + std::strerror(errno);
        ::close(direct_);
        direct_ = -1;
        return false;
    }
    // Nameless from the start: nothing to remove, whatever ends the run.
    ::unlink(name.c_str());
    return true;
}

bool OutputFile::copyToDirect(std::string& error) {
    if (::lseek(contents_, 0, SEEK_SET) != 0) {
        error = "cannot write " + target_.shownPath + ": " + std::strerror(errno);
        return false;
    }
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t n = ::read(contents_, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = "cannot read back the scratch file for " + target_.shownPath + ": " +
                    std::strerror(errno);
            return false;
        }
        if (n == 0) return true;
        if (!writeAll(direct_, buffer.data(), static_cast<std::size_t>(n))) {
            error = "cannot write " + target_.shownPath + ": " + std::strerror(errno);
            return false;
        }
    }
}

bool OutputFile::commit(std::string& error) {
    if (contents_ < 0) {
        error = "no output file open";
        return false;
    }
    bool ok = true;
    if (target_.kind == OutputTarget::Kind::kRegularFile) {
        int saved = 0;
        if (::fsync(contents_) != 0) {
            ok = false;
            saved = errno;
        }
        if (::close(contents_) != 0 && ok) {
            ok = false;
            saved = errno;
        }
        contents_ = -1;
        if (ok && ::rename(temporary_.c_str(), target_.finalPath.c_str()) != 0) {
            ok = false;
            saved = errno;
        }
        if (!ok) error = "cannot write " + target_.shownPath + ": " + std::strerror(saved);
    } else {
        ok = copyToDirect(error);
        if (::close(direct_) != 0 && ok) {
            ok = false;
            error = "cannot write " + target_.shownPath + ": " + std::strerror(errno);
        }
        direct_ = -1;
    }
    if (ok) {
        keepOnInterrupt(cleanupSlot_);
        cleanupSlot_ = -1;
        temporary_.clear();
    }
    discard();
    return ok;
}

void OutputFile::discard() {
    if (contents_ >= 0) ::close(contents_);
    if (direct_ >= 0) ::close(direct_);
    contents_ = direct_ = -1;
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
    keepOnInterrupt(cleanupSlot_);
    cleanupSlot_ = -1;
}

}  // namespace sorvella
