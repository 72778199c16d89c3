#include <benchmark/benchmark.h>

#include <array>
#include <cfenv>
#include <cstdint>

#include "engine/chorus.h"
#include "engine/reverb.h"

namespace sorvella {
namespace {

constexpr int kBlock = 512;
constexpr float kFs = 44100.0f;
constexpr float kHalfInvFs = 0.5f / 44100.0f;
// Control updates run every 63 samples at 44.1 kHz.
constexpr int kUpdateInterval = 63;

std::array<float, kBlock> noiseBlock() {
    std::array<float, kBlock> block{};
    std::uint32_t state = 7;
    for (float& x : block) {
        state = state * 1664525u + 1013904223u;
        x = static_cast<float>(static_cast<std::int32_t>(state)) * (1.0f / 2147483648.0f);
    }
    return block;
}

// A chorus unit at the initial program's speed and depth, with its control updates.
void chorusBlock(benchmark::State& state) {
    std::fesetround(FE_TONEAREST);
    ChorusUnit chorus(kChorus1);
    chorus.create(kFs);
    chorus.setSpeed(1.0f, kHalfInvFs);
    chorus.setDepth(0.87f, kFs);
    const std::array<float, kBlock> input = noiseBlock();
    std::array<float, kBlock> output{};
    int untilUpdate = kUpdateInterval;
    for (auto _ : state) {
        for (int n = 0; n < kBlock; ++n) {
            output[static_cast<std::size_t>(n)] =
                chorus.process(input[static_cast<std::size_t>(n)]);
            if (--untilUpdate == 0) {
                chorus.controlUpdate();
                untilUpdate = kUpdateInterval;
            }
        }
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kBlock);
}
BENCHMARK(chorusBlock);

// One reverb channel at the initial program's length.
void reverbBlock(benchmark::State& state) {
    ReverbUnit reverb(kReverbL);
    reverb.create(kFs);
    reverb.setLength(0.71f, kHalfInvFs);
    const std::array<float, kBlock> input = noiseBlock();
    std::array<float, kBlock> output{};
    for (auto _ : state) {
        for (int n = 0; n < kBlock; ++n) {
            output[static_cast<std::size_t>(n)] =
                reverb.process(input[static_cast<std::size_t>(n)]);
        }
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kBlock);
}
BENCHMARK(reverbBlock);

}  // namespace
}  // namespace sorvella
