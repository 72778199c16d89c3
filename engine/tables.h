// Process-wide tables shared by every instrument: the eight oscillator wave shapes, the tuning in
// cents, the frequency of each MIDI note and the pitch-bend factors. The first instrument builds
// them and the last one releases them; nothing here is locked.
#pragma once

#include <cmath>
#include <cstdint>

namespace sorvella {

constexpr int kWaveTableSize = 8192;
constexpr int kWaveShapes = 8;
constexpr int kMidiNotes = 128;
constexpr int kBendValues = 128;

// Allocates (if needed) and fills all tables in equal temperament; false when memory runs out, in
// which case nothing stays allocated.
bool buildTables();
void releaseTables();
bool tablesBuilt();

// Null while the tables are not built.
const float* waveTable(int shape);  // shape clamped to 0..7
float* centsTable();
const float* noteFrequencyTable();
const float* bendFactorTable();

void resetCents();
// A tuning entry that is not a finite number, or whose frequency would not be one, falls back to
// the equal-tempered frequency of its note.
void rebuildNoteFrequencies();

// Wave shape chosen by a normalised parameter value, and the value the parameter keeps for it.
int shapeFromValue(float value);
float shapeKeptValue(int n);

}  // namespace sorvella
