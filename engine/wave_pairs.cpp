#include "engine/wave_pairs.h"

#include <memory>
#include <new>

#include "engine/tables.h"

namespace sorvella {

namespace {

std::unique_ptr<WavePair[]> gPairs;

}  // namespace

bool prepareWavePairs() {
    if (gPairs) return true;
    if (!tablesBuilt()) return false;
    std::unique_ptr<WavePair[]> pairs(new (std::nothrow) WavePair[kWaveShapes * kWaveTableSize]);
    if (!pairs) return false;
    for (int shape = 0; shape < kWaveShapes; ++shape) {
        const float* t = waveTable(shape);
        WavePair* p = pairs.get() + shape * kWaveTableSize;
        for (int i = 0; i < kWaveTableSize; ++i) {
            const float t0 = t[i];
            p[i] = {t0, t[(i + 1) & (kWaveTableSize - 1)] - t0};
        }
    }
    gPairs = std::move(pairs);
    return true;
}

const WavePair* wavePairsFor(const float* table) {
    if (!gPairs || table == nullptr) return nullptr;
    for (int shape = 0; shape < kWaveShapes; ++shape) {
        if (table == waveTable(shape)) return gPairs.get() + shape * kWaveTableSize;
    }
    return nullptr;
}

}  // namespace sorvella
