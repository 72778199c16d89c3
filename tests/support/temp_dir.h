// Temporary directories for tests, and whole files read and written. The directories live under
// $SORVELLA_TEST_TMP (set by CTest to a folder of the build tree), else $TMPDIR, else /tmp, and are
// removed with everything in them.
#pragma once

#include <unistd.h>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace sorvella::test {

// A fresh directory (mode 0700) made with mkdtemp; throws when none can be made.
class TempDir {
  public:
    explicit TempDir(std::string_view prefix = "sorvella-test") : owner_(::getpid()) {
        std::string pattern = (base() / prefix).string() + "-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot create a temporary directory from " + pattern);
        path_ = pattern;
    }
    // A forked child that leaves through exit() must not remove its parent's directory.
    ~TempDir() {
        if (::getpid() != owner_) return;
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

  private:
    static std::filesystem::path base() {
        for (const char* variable : {"SORVELLA_TEST_TMP", "TMPDIR"}) {
            const char* value = std::getenv(variable);
            if (value == nullptr || value[0] != '/') continue;
            std::error_code error;
            std::filesystem::create_directories(value, error);
            if (std::filesystem::is_directory(value, error)) return value;
        }
        return "/tmp";
    }

    std::filesystem::path path_;
    pid_t owner_;
};

// Sets an environment variable (or unsets it, given no value) and restores it on destruction.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value != nullptr) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (old_) {
            ::setenv(name_.c_str(), old_->c_str(), 1);
        } else {
            ::unsetenv(name_.c_str());
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    std::string name_;
    std::optional<std::string> old_;
};

inline std::vector<std::uint8_t> readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// The names in a directory, sorted.
inline std::vector<std::string> directoryEntries(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

inline std::string readText(const std::filesystem::path& path) {
    const std::vector<std::uint8_t> bytes = readBytes(path);
    return {bytes.begin(), bytes.end()};
}

inline void writeText(const std::filesystem::path& path, std::string_view text) {
    writeBytes(path, {text.begin(), text.end()});
}

}  // namespace sorvella::test
