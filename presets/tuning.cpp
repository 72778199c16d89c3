#include "presets/tuning.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "core/error_box.h"
#include "engine/tables.h"
#include "presets/settings_key.h"
#include "presets/settings_names.h"

namespace sorvella {

namespace {

constexpr std::size_t kLineBuffer = 512;  // lines are read in pieces of up to 511 characters
constexpr int kEntriesNeeded = 128;
// Far beyond any musical use, and small enough that every note frequency stays finite.
constexpr long kMaxAbsCents = 50000;

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// A signed decimal integer as scanf's %d reads it (leading white space skipped), refused when it
// runs beyond the range of cents we accept.
const char* parseInt(const char* s, long& out) {
    while (isSpace(*s))
        ++s;
    bool negative = false;
    if (*s == '+' || *s == '-') negative = *s++ == '-';
    if (*s < '0' || *s > '9') return nullptr;
    long value = 0;
    while (*s >= '0' && *s <= '9') {
        value = value * 10 + (*s++ - '0');
        if (value > 1000000000L) return nullptr;
    }
    out = negative ? -value : value;
    return s;
}

// Matches "ote %d=%d" against the text after the line's first character.
bool matchNoteLine(const char* line, long& note, long& cents) {
    if (line[0] == 0) return false;
    const char* s = line + 1;
    if (std::strncmp(s, "ote", 3) != 0) return false;
    s = parseInt(s + 3, note);
    if (!s || *s != '=') return false;
    return parseInt(s + 1, cents) != nullptr;
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

bool loadTuningFile(const char* path, SettingsKey& settings) {
    // Read only: a shipped or read-only tuning file loads like any other.
    std::unique_ptr<std::FILE, FileCloser> file(path ? std::fopen(path, "rb") : nullptr);
    if (!file) {
        reportError(kErrorOpening, path ? path : "");
        return false;
    }
    float* cents = centsTable();
    char line[kLineBuffer];
    bool inSection = false;
    int counted = 0;
    while (std::fgets(line, sizeof line, file.get())) {
        if (!inSection) {
            inSection = std::strncmp(line, "[Tuning]", 8) == 0;
            continue;
        }
        if (line[0] == ';') continue;
        long note = 0;
        long value = 0;
        if (!matchNoteLine(line, note, value)) continue;
        if (note < 0 || note > 127 || value < -kMaxAbsCents || value > kMaxAbsCents) continue;
        cents[note] = static_cast<float>(value);
        ++counted;
    }
    file.reset();
    if (counted != kEntriesNeeded) {
        reportError(kErrorInvalidFormat);
        resetCents();
        return false;
    }
    settings.setText(settings::kTuning, std::string(path));
    rebuildNoteFrequencies();
    return true;
}

void restoreTuning(SettingsKey& settings) {
    std::optional<std::string> path = settings.getText(settings::kTuning);
    if (path && !loadTuningFile(path->c_str(), settings)) {
        settings.setText(settings::kTuning, std::nullopt);
    }
}

std::string currentTuningName(const SettingsKey& settings) {
    std::optional<std::string> path = settings.getText(settings::kTuning);
    if (!path) return kEqualTemperament;
    // Paths were remembered with either separator; the name is what follows the last one.
    std::size_t cut = path->find_last_of("/\\");
    if (cut == std::string::npos) return kEqualTemperament;
    return path->substr(cut + 1);
}

}  // namespace sorvella
