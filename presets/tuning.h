// Tuning files: a "[Tuning]" section of 128 "Note n=c" lines giving each MIDI note's pitch in
// cents. The tuning is process-wide; the last file that loaded is remembered in the settings.
#pragma once

#include <string>

namespace sorvella {

class SettingsKey;

inline constexpr const char* kEqualTemperament = "Equal Temperament";

// Reads a tuning file into the shared tables and remembers its path. On failure the error box
// says why and the tuning in force stays in force.
bool loadTuningFile(const char* path, SettingsKey& settings);

// Loads the remembered tuning file, forgetting it when it no longer loads.
void restoreTuning(SettingsKey& settings);

// The name of the tuning in force: the remembered file's name, or "Equal Temperament".
std::string currentTuningName(const SettingsKey& settings);

}  // namespace sorvella
