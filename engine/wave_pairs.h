// The shared wave shapes as (value, next value − value) pairs: the oscillators' interpolation
// t0 + (t1 − t0)·f then needs one 8-byte load instead of two table reads, with the difference
// computed once, by the same single-precision subtraction, instead of every sample.
#pragma once

namespace sorvella {

struct WavePair {
    float value;
    float delta;
};

// Builds the pairs from the shared wave tables if those are built and the pairs are not yet;
// once built they stay for the life of the process (the shapes never change). Not for the audio
// thread: it allocates. Returns whether pairs are available.
bool prepareWavePairs();

// The pairs of a shared wave table (one returned by waveTable()), or null when the table is not
// one of them or no pairs are built; the oscillators then read the table itself.
const WavePair* wavePairsFor(const float* table);

// The same pairs for every shape, written into `out` (kWaveShapes × kWaveTableSize entries), for
// an instrument that keeps its own copy next to its voices; false while the tables are missing.
bool fillWavePairs(WavePair* out);
// The pairs of `table` within such a copy, or null when the table is not one of the shapes.
const WavePair* wavePairsIn(const WavePair* all, const float* table);

}  // namespace sorvella
