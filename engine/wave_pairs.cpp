#include "engine/wave_pairs.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <new>

#include "engine/tables.h"

namespace sorvella {

namespace {

// Built at most once; the audio thread only ever loads the pointer.
std::mutex gBuildMutex;
std::unique_ptr<WavePair[]> gStorage;
std::atomic<const WavePair*> gPairs{nullptr};

}  // namespace

bool fillWavePairs(WavePair* out) {
    if (out == nullptr || !tablesBuilt()) return false;
    for (int shape = 0; shape < kWaveShapes; ++shape) {
        const float* t = waveTable(shape);
        WavePair* p = out + shape * kWaveTableSize;
        for (int i = 0; i < kWaveTableSize; ++i) {
            const float t0 = t[i];
            p[i] = {t0, t[(i + 1) & (kWaveTableSize - 1)] - t0};
        }
    }
    return true;
}

const WavePair* wavePairsIn(const WavePair* all, const float* table) {
    if (all == nullptr || table == nullptr) return nullptr;
    for (int shape = 0; shape < kWaveShapes; ++shape) {
        if (table == waveTable(shape)) return all + shape * kWaveTableSize;
    }
    return nullptr;
}

bool prepareWavePairs() {
    const std::lock_guard<std::mutex> lock(gBuildMutex);
    if (gPairs.load(std::memory_order_relaxed) != nullptr) return true;
    std::unique_ptr<WavePair[]> pairs(new (std::nothrow) WavePair[kWaveShapes * kWaveTableSize]);
    if (!pairs || !fillWavePairs(pairs.get())) return false;
    gStorage = std::move(pairs);
    gPairs.store(gStorage.get(), std::memory_order_release);
    return true;
}

const WavePair* wavePairsFor(const float* table) {
    return wavePairsIn(gPairs.load(std::memory_order_acquire), table);
}

}  // namespace sorvella
