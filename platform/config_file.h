// The per-user settings file that stands in for a registry key. Every process of the user may
// read and write it at once: reads take no lock and never change the file; each write takes an
// advisory lock on "<file>.lock", re-reads the file, applies its one change and atomically
// replaces the file, so writers of different values never lose each other's values.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace sorvella {

// "$XDG_CONFIG_HOME", else "$HOME/.config"; none when neither is set to an absolute path.
std::optional<std::string> userConfigHome();

class ConfigFile {
  public:
    explicit ConfigFile(std::string path) : path_(std::move(path)) {}

    const std::string& path() const { return path_; }

    // A missing, unreadable or oversized file reads as empty; garbled lines are skipped. When a
    // hand edit left a name twice, the last line wins.
    std::optional<std::string> get(std::string_view name) const;
    std::map<std::string, std::string> values() const;

    // Creates missing directories (mode 0700). False when the change could not be stored; the
    // file is then left as it was.
    bool set(std::string_view name, std::string_view value);
    // True when the value existed and has been removed, as deleting a registry value reports.
    bool erase(std::string_view name);
    // erase, only while the value is still `expected`: a value another process stored since it
    // was read is kept. True when it was removed.
    bool eraseIfUnchanged(std::string_view name, std::string_view expected);

  private:
    bool update(std::string_view name, std::optional<std::string_view> value, bool& existed,
                std::optional<std::string_view> expected = std::nullopt);

    std::string path_;
};

}  // namespace sorvella
