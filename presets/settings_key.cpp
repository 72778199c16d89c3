#include "presets/settings_key.h"

#include <strings.h>
#include <cstring>
#include <utility>

#include "presets/settings_encoding.h"

namespace sorvella {

namespace {

constexpr const char* kFileExtension = ".conf";

bool validPart(std::string_view part) {
    return !part.empty() && part != "." && part != ".." &&
           part.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

// Up to the first NUL, as a text stored with its terminator would read.
std::string_view cText(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

}  // namespace

std::optional<std::string> settingsFilePath(std::string_view subkey) {
    std::optional<std::string> home = userConfigHome();
    if (!home) return std::nullopt;
    std::string path = std::move(*home);
    bool first = true;
    bool any = false;
    for (;;) {
        std::size_t end = subkey.find('\\');
        std::string_view part = subkey.substr(0, end);
        bool skip = first && part.size() == 8 && ::strncasecmp(part.data(), "Software", 8) == 0;
        if (!skip) {
            if (!validPart(part)) return std::nullopt;
            path += '/';
            path += part;
            any = true;
        }
        first = false;
        if (end == std::string_view::npos) break;
        subkey.remove_prefix(end + 1);
    }
    if (!any) return std::nullopt;
    return path + kFileExtension;
}

bool SettingsKey::open(std::string_view subkey, std::string_view /*classText*/) {
    file_.reset();
    if (auto path = settingsFilePath(subkey)) file_.emplace(std::move(*path));
    return isOpen();
}

std::optional<std::string> SettingsKey::getText(std::string_view name) const {
    if (!file_) return std::nullopt;
    std::optional<std::string> text = file_->get(cText(name));
    if (text) text->resize(cText(*text).size());
    return text;
}

std::int32_t SettingsKey::getInt(std::string_view name, std::int32_t defaultValue) const {
    std::optional<std::string> text = getText(name);
    return text ? decodeSettingInt(*text) : defaultValue;
}

float SettingsKey::getFloat(std::string_view name, float defaultValue) const {
    std::optional<std::string> text = getText(name);
    if (!text) return defaultValue;
    return decodeSettingFloat(*text).value_or(defaultValue);
}

bool SettingsKey::getFlag(std::string_view name, bool defaultValue) const {
    std::optional<std::string> text = getText(name);
    return text ? decodeSettingFlag(*text) : defaultValue;
}

bool SettingsKey::setText(std::string_view name, std::optional<std::string> text) {
    if (!file_) return false;
    name = cText(name);
    if (!text) return file_->erase(name);
    return file_->set(name, cText(*text));
}

bool SettingsKey::eraseTextIfUnchanged(std::string_view name, std::string_view expected) {
    if (!file_) return false;
    return file_->eraseIfUnchanged(cText(name), cText(expected));
}

bool SettingsKey::setInt(std::string_view name, std::int32_t value) {
    return setText(name, encodeSettingInt(value));
}

bool SettingsKey::setFloat(std::string_view name, float value) {
    return setText(name, encodeSettingFloat(value));
}

bool SettingsKey::setFlag(std::string_view name, bool value) {
    return setText(name, encodeSettingFlag(value));
}

}  // namespace sorvella
