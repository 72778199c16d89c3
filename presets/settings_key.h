// The per-user settings key shared by the plugin and the standalone program. On Linux the key is
// a file under the user's configuration directory (see settingsFilePath). All failures are
// silent: a key that is not open reads every value as its default and ignores writes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/config_file.h"

namespace sorvella {

// "Software\Kestrane\Sorvella" becomes "<config home>/Kestrane/Sorvella.conf": a leading
// "Software" is dropped, the other parts name directories and the file. None when there is no
// usable configuration directory or a part is empty, "." or "..", or holds a '/'.
std::optional<std::string> settingsFilePath(std::string_view subkey);

class SettingsKey {
  public:
    // The class text describes a registry key and has no meaning here. Opening touches no file:
    // the file appears with the first write.
    bool open(std::string_view subkey, std::string_view classText);
    void close() { file_.reset(); }
    bool isOpen() const { return file_.has_value(); }

    // Values are C texts: anything after a NUL byte is not part of the value.
    std::optional<std::string> getText(std::string_view name) const;
    std::int32_t getInt(std::string_view name, std::int32_t defaultValue) const;
    float getFloat(std::string_view name, float defaultValue) const;
    bool getFlag(std::string_view name, bool defaultValue) const;

    // No text deletes the value; deleting a value that is not there reports false, as the
    // registry does.
    bool setText(std::string_view name, std::optional<std::string> text);
    // Deletes the value only while it is still `expected`, so that a value another process
    // stored meanwhile is kept. True when it was deleted.
    bool eraseTextIfUnchanged(std::string_view name, std::string_view expected);
    bool setInt(std::string_view name, std::int32_t value);
    bool setFloat(std::string_view name, float value);
    bool setFlag(std::string_view name, bool value);

  private:
    std::optional<ConfigFile> file_;
};

}  // namespace sorvella
