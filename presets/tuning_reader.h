// The reading half of the tuning loader, apart from files and shared tables so that any stream
// can be read: the lines after "[Tuning]" that match "ote %d=%d" with a note from 0 to 127.
#pragma once

#include <cstdio>

namespace sorvella {

inline constexpr int kTuningNotes = 128;

// Stores each entry into cents[note] as it is read and returns how many were counted (a valid
// file counts exactly 128). cents holds kTuningNotes values.
int readTuningEntries(std::FILE* file, float* cents);

}  // namespace sorvella
