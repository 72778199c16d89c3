#include <benchmark/benchmark.h>

#include <array>
#include <cfenv>
#include <cstdint>

#include "engine/formant_bank.h"
#include "engine/formant_data.h"

namespace sorvella {
namespace {

constexpr int kBlock = 512;
constexpr float kInvFs = 1.0f / 44100.0f;
constexpr int kRun = 63;

std::array<float, kBlock> noiseBlock() {
    std::array<float, kBlock> block{};
    std::uint32_t state = 1;
    for (float& x : block) {
        state = state * 1664525u + 1013904223u;
        x = static_cast<float>(static_cast<std::int32_t>(state)) * (1.0f / 2147483648.0f);
    }
    return block;
}

// One sounding bank, morphed halfway between two vowels at the default "Formants L".
void formantBankBlock(benchmark::State& state) {
    std::fesetround(FE_TONEAREST);
    MyFormantData startSet("Formant1 Start");
    MyFormantData endSet("Formant1 End");
    FormantBank start;
    FormantBank end;
    selectVowel(startSet, start, 0.0f, kInvFs);
    selectVowel(endSet, end, 0.02f, kInvFs);
    FormantBank bank;
    bank.setSharpness(0.5f);
    bank.morph(start, end, 0.5f);
    const std::array<float, kBlock> input = noiseBlock();
    std::array<float, kBlock> output{};
    for (auto _ : state) {
        // In runs of the instrument's control interval at 44.1 kHz.
        for (int n = 0; n < kBlock; n += kRun) {
            const int count = kBlock - n < kRun ? kBlock - n : kRun;
            bank.processBlock(input.data() + n, output.data() + n, count);
        }
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kBlock);
}
BENCHMARK(formantBankBlock);

}  // namespace
}  // namespace sorvella
