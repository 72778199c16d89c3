// Voice rendering speed, in blocks of 512 samples, voice by voice through renderRun in runs of 63
// samples (the control interval at 44.1 kHz). "x_realtime" is seconds of 44.1 kHz audio rendered
// per second of processor time.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "engine/voice.h"
#include "tests/engine/voice_fixture.h"

namespace sorvella {
namespace {

constexpr int kBlock = 512;
constexpr int kRun = 63;

// Arguments: voices, unison copies, "Osc1 FM" and "Osc2 FM" value. The initial program's other
// settings; the curves' sustain loops keep every note sounding.
void voices(benchmark::State& state, int voiceCount, int unison, float fm) {
    testing::VoiceSettings settings;
    settings.unison = unison - 1;
    settings.fm1 = settings.fm2 = fm;
    testing::VoiceWorld world(settings);
    std::vector<std::unique_ptr<MyNote>> notes;
    for (int i = 0; i < voiceCount; ++i) {
        notes.push_back(std::make_unique<MyNote>(world.ctx));
        notes.back()->start(40 + i, 100);
        if (i > 0) notes[static_cast<std::size_t>(i) - 1]->next = notes.back().get();
    }
    std::vector<float> out(3 * kBlock);
    for (auto _ : state) {
        std::fill(out.begin(), out.end(), 0.0f);
        for (int pos = 0; pos < kBlock; pos += kRun) {
            MyNote::renderRun(notes.front().get(), &out[pos], &out[kBlock + pos],
                              &out[2 * kBlock + pos], std::min(kRun, kBlock - pos));
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * kBlock);
    state.counters["x_realtime"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kBlock / 44100.0, benchmark::Counter::kIsRate);
}

BENCHMARK_CAPTURE(voices, 1x4, 1, 4, 0.0f);
BENCHMARK_CAPTURE(voices, 32x4, 32, 4, 0.0f);
BENCHMARK_CAPTURE(voices, 32x4_fm5, 32, 4, 0.5f);
BENCHMARK_CAPTURE(voices, 32x8_fm5, 32, 8, 0.5f);

}  // namespace
}  // namespace sorvella
