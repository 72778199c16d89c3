#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cfenv>
#include <cstdint>

#include "engine/chorus.h"
#include "engine/effects_chain.h"
#include "engine/formant_bank.h"
#include "engine/formant_data.h"
#include "engine/reverb.h"

namespace sorvella {
namespace {

constexpr int kBlock = 512;
constexpr float kFs = 44100.0f;
constexpr float kInvFs = 1.0f / 44100.0f;
constexpr float kHalfInvFs = 0.5f / 44100.0f;
// Control updates run every 63 samples at 44.1 kHz, which also bounds the instrument's runs.
constexpr int kUpdateInterval = 63;

std::array<float, kBlock> noiseBlock(std::uint32_t seed) {
    std::array<float, kBlock> block{};
    std::uint32_t state = seed;
    for (float& x : block) {
        state = state * 1664525u + 1013904223u;
        x = static_cast<float>(static_cast<std::int32_t>(state)) * (1.0f / 2147483648.0f);
    }
    return block;
}

// The whole chain as the instrument runs it, with the initial program's settings.
void chainBlock(benchmark::State& state) {
    std::fesetround(FE_TONEAREST);
    ChorusUnit chorus1(kChorus1);
    ChorusUnit chorus2(kChorus2);
    ReverbUnit reverbL(kReverbL);
    ReverbUnit reverbR(kReverbR);
    for (ChorusUnit* c : {&chorus1, &chorus2}) {
        c->create(kFs);
        c->setSpeed(1.0f, kHalfInvFs);
        c->setDepth(0.87f, kFs);
    }
    for (ReverbUnit* r : {&reverbL, &reverbR}) {
        r->create(kFs);
        r->setLength(0.71f, kHalfInvFs);
    }
    MyFormantData startSet("Formant1 Start");
    MyFormantData endSet("Formant1 End");
    FormantBank start;
    FormantBank end;
    selectVowel(startSet, start, 0.0f, kInvFs);
    selectVowel(endSet, end, 0.02f, kInvFs);
    FormantBank bank1;
    FormantBank bank2;
    for (FormantBank* b : {&bank1, &bank2}) {
        b->setSharpness(0.5f);
        b->morph(start, end, 0.5f);
    }
    const EffectsChain chain{chorus1, chorus2, bank1, bank2, reverbL, reverbR};
    const ChainLevels levels{0.8f, 0.7f, 0.1f, 2.0f, 0.3f, 0.5f, 0.5f};
    const std::array<float, kBlock> s1 = noiseBlock(1);
    const std::array<float, kBlock> s2 = noiseBlock(2);
    const std::array<float, kBlock> s3 = noiseBlock(3);
    std::array<float, kBlock> left{};
    std::array<float, kBlock> right{};
    int untilUpdate = kUpdateInterval;
    for (auto _ : state) {
        // Runs cut at the control interval, as the instrument cuts them.
        for (int n = 0; n < kBlock;) {
            const int count = std::min(kBlock - n, untilUpdate);
            processChain(chain, levels, s1.data() + n, s2.data() + n, s3.data() + n,
                         left.data() + n, right.data() + n, count);
            n += count;
            untilUpdate -= count;
            if (untilUpdate == 0) {
                chorus1.controlUpdate();
                chorus2.controlUpdate();
                untilUpdate = kUpdateInterval;
            }
        }
        benchmark::DoNotOptimize(left.data());
        benchmark::DoNotOptimize(right.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kBlock);
}
BENCHMARK(chainBlock);

}  // namespace
}  // namespace sorvella
