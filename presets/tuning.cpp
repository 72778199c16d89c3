#include "presets/tuning.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "core/error_box.h"
#include "engine/tables.h"
#include "presets/settings_key.h"
#include "presets/settings_names.h"
#include "presets/tuning_reader.h"

namespace sorvella {

namespace {

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
    const int counted = readTuningEntries(file.get(), centsTable());
    file.reset();
    if (counted != kTuningNotes) {
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
