// Tuning files: every entry counted lies in the note range and holds a cents value from which a
// finite, positive note frequency follows.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "engine/tables.h"
#include "presets/tuning_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sorvella;
    static const bool tables = buildTables();
    if (!tables) __builtin_trap();
    if (size == 0) return 0;  // fmemopen wants at least one byte
    std::vector<std::uint8_t> text(data, data + size);
    std::FILE* file = fmemopen(text.data(), text.size(), "r");
    if (!file) __builtin_trap();
    resetCents();
    const int counted = readTuningEntries(file, centsTable());
    std::fclose(file);
    if (counted < 0 || static_cast<std::size_t>(counted) > size) __builtin_trap();
    const float* cents = centsTable();
    for (int n = 0; n < kTuningNotes; ++n) {
        if (!std::isfinite(cents[n]) || std::fabs(cents[n]) > 50000.0f) __builtin_trap();
    }
    if (counted == kTuningNotes) {
        rebuildNoteFrequencies();
        const float* frequency = noteFrequencyTable();
        for (int n = 0; n < kTuningNotes; ++n) {
            if (!std::isfinite(frequency[n]) || !(frequency[n] > 0.0f)) __builtin_trap();
        }
    }
    return 0;
}
