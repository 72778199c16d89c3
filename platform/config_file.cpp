#include "platform/config_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/config_line.h"

namespace sorvella {

namespace {

// Far beyond any real settings file; a larger one is not ours to load or to rewrite.
constexpr std::size_t kMaxFileBytes = 4u << 20;

class UniqueFd {
  public:
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() {
        if (fd_ >= 0) ::close(fd_);
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    // Closes now so that a failing close (a lost write) can be seen.
    bool close() {
        int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

  private:
    int fd_;
};

enum class ReadResult { kMissing, kOk, kUnusable };

// O_NONBLOCK keeps a FIFO planted at the path from stalling the caller; it does nothing to a
// regular file.
ReadResult readWholeFile(const std::string& path, std::string& content, mode_t& mode) {
    content.clear();
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd) return errno == ENOENT ? ReadResult::kMissing : ReadResult::kUnusable;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return ReadResult::kUnusable;
    if (static_cast<std::uintmax_t>(st.st_size) > kMaxFileBytes) return ReadResult::kUnusable;
    mode = st.st_mode & 07777;
    char buffer[8192];
    for (;;) {
        ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return ReadResult::kUnusable;
        if (n == 0) break;
        if (content.size() + static_cast<std::size_t>(n) > kMaxFileBytes) {
            return ReadResult::kUnusable;
        }
        content.append(buffer, static_cast<std::size_t>(n));
    }
    return ReadResult::kOk;
}

std::vector<std::string_view> splitLines(std::string_view content) {
    std::vector<std::string_view> lines;
    while (!content.empty()) {
        std::size_t end = content.find('\n');
        if (end == std::string_view::npos) end = content.size();
        lines.push_back(content.substr(0, end));
        content.remove_prefix(end < content.size() ? end + 1 : end);
    }
    return lines;
}

std::string parentOf(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

bool isDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool makeDirectories(const std::string& dir) {
    if (isDirectory(dir)) return true;
    for (std::size_t pos = dir.find('/', 1);; pos = dir.find('/', pos + 1)) {
        std::string prefix = dir.substr(0, pos);
        if (::mkdir(prefix.c_str(), 0700) != 0 && !(errno == EEXIST && isDirectory(prefix))) {
            return false;
        }
        if (pos == std::string::npos) return true;
    }
}

// A settings file that the user keeps as a symbolic link (say, into a dotfiles repository) is
// written through the link instead of being replaced by a plain file.
std::string writeTarget(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr) return path;
    std::string target = resolved;
    std::free(resolved);
    return target;
}

bool writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Readers see either the old file or the new one, never a part of either.
bool replaceFile(const std::string& target, std::string_view content, mode_t mode) {
    std::string dir = parentOf(target);
    std::size_t slash = target.find_last_of('/');
    std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string temp = dir + "/." + base + ".XXXXXX";
    UniqueFd fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (!fd) return false;
    bool ok =
        ::fchmod(fd.get(), mode) == 0 && writeAll(fd.get(), content) && ::fsync(fd.get()) == 0;
    ok = fd.close() && ok;
    if (!ok || ::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    // Makes the rename itself durable; the value is stored either way, so a failure is ignored.
    UniqueFd dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dirFd) ::fsync(dirFd.get());
    return true;
}

bool usableDirectory(const char* value) {
    return value != nullptr && value[0] == '/';
}

}  // namespace

std::optional<std::string> userConfigHome() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (usableDirectory(xdg)) return std::string(xdg);
    const char* home = std::getenv("HOME");
    if (usableDirectory(home)) return std::string(home) + "/.config";
    return std::nullopt;
}

std::optional<std::string> ConfigFile::get(std::string_view name) const {
    std::string content;
    mode_t mode = 0;
    if (readWholeFile(path_, content, mode) != ReadResult::kOk) return std::nullopt;
    std::optional<std::string> found;
    for (std::string_view line : splitLines(content)) {
        auto entry = parseConfigLine(line);
        if (entry && entry->name == name) found = std::move(entry->value);
    }
    return found;
}

std::map<std::string, std::string> ConfigFile::values() const {
    std::map<std::string, std::string> result;
    std::string content;
    mode_t mode = 0;
    if (readWholeFile(path_, content, mode) != ReadResult::kOk) return result;
    for (std::string_view line : splitLines(content)) {
        if (auto entry = parseConfigLine(line)) {
            result.insert_or_assign(std::move(entry->name), std::move(entry->value));
        }
    }
    return result;
}

bool ConfigFile::set(std::string_view name, std::string_view value) {
    bool existed = false;
    return update(name, value, existed);
}

bool ConfigFile::erase(std::string_view name) {
    bool existed = false;
    return update(name, std::nullopt, existed) && existed;
}

bool ConfigFile::eraseIfUnchanged(std::string_view name, std::string_view expected) {
    bool existed = false;
    return update(name, std::nullopt, existed, expected) && existed;
}

// Every line other than those of this name is kept byte for byte, garbled ones included: a write
// changes one value and nothing else. With an expected value, the change is made only while the
// name's value (its last line, as get() reads it) is that value.
bool ConfigFile::update(std::string_view name, std::optional<std::string_view> value, bool& existed,
                        std::optional<std::string_view> expected) {
    existed = false;
    if (name.empty() || path_.empty()) return false;
    if (!value && ::access(path_.c_str(), F_OK) != 0) return false;  // nothing to delete
    if (!makeDirectories(parentOf(path_))) return false;

    std::string lockPath = path_ + ".lock";
    UniqueFd lock(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0600));
    if (!lock) return false;
    while (::flock(lock.get(), LOCK_EX) != 0) {
        if (errno != EINTR) return false;
    }

    std::string target = writeTarget(path_);
    std::string current;
    mode_t mode = 0600;
    if (readWholeFile(target, current, mode) == ReadResult::kUnusable) return false;
    if (expected) {
        std::optional<std::string> found;
        for (std::string_view line : splitLines(current)) {
            auto entry = parseConfigLine(line);
            if (entry && entry->name == name) found = std::move(entry->value);
        }
        if (found != *expected) return true;
    }

    std::string next;
    next.reserve(current.size() + 64);
    bool written = false;
    for (std::string_view line : splitLines(current)) {
        auto entry = parseConfigLine(line);
        if (entry && entry->name == name) {
            existed = true;
            if (value && !written) {
                next += formatConfigLine(name, *value);
                next += '\n';
                written = true;
            }
            continue;
        }
        next += line;
        next += '\n';
    }
    if (value && !written) {
        next += formatConfigLine(name, *value);
        next += '\n';
    }
    if (next == current) return true;
    return replaceFile(target, next, mode);
}

}  // namespace sorvella
