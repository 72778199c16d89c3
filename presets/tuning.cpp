#include "presets/tuning.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include "engine/tables.h"
#include "platform/error_box.h"
#include "presets/settings_key.h"
#include "presets/settings_names.h"
#include "presets/tuning_reader.h"

namespace sorvella {

namespace {

// Far beyond any tuning file (128 short lines and comments); larger files are not read.
constexpr std::uintmax_t kMaxTuningFileBytes = 1 << 20;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

using TuningStream = std::unique_ptr<std::FILE, FileCloser>;

// Opened as patch and bank files are: read only (a shipped or read-only tuning file loads like
// any other), without blocking on a FIFO at the path, and only when it is a regular file. A
// remembered tuning of /dev/zero or a pipe would otherwise stall every host at start-up.
TuningStream openTuningFile(const char* path) {
    if (!path) {
        reportError(kErrorOpening, "");
        return nullptr;
    }
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (fd >= 0) ::close(fd);
        reportError(kErrorOpening, path);
        return nullptr;
    }
    if (static_cast<std::uintmax_t>(st.st_size) > kMaxTuningFileBytes) {
        ::close(fd);
        reportError(kErrorInvalidFormat);
        return nullptr;
    }
    TuningStream file(::fdopen(fd, "rb"));
    if (!file) {
        ::close(fd);
        reportError(kErrorOpening, path);
    }
    return file;
}

}  // namespace

bool loadTuningFile(const char* path, SettingsKey& settings) {
    TuningStream file = openTuningFile(path);
    if (!file) return false;
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
    // Another process may have remembered a tuning of its own while this one failed (its error
    // box waits for the user): only the path that was read is forgotten.
    if (path && !loadTuningFile(path->c_str(), settings)) {
        settings.eraseTextIfUnchanged(settings::kTuning, *path);
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
