// Voice rendering speed, in blocks of 512 samples, voice by voice through renderRun in runs of 63
// samples (the control interval at 44.1 kHz). "x_realtime" is seconds of 44.1 kHz audio rendered
// per second of processor time.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cfenv>
#include <memory>
#include <vector>

#include "engine/env_data.h"
#include "engine/tables.h"
#include "engine/voice.h"
#include "engine/voice_context.h"

namespace sorvella {
namespace {

constexpr int kBlock = 512;
constexpr int kRun = 63;

struct VoiceBench {
    VoiceContext ctx;
    MyEnvData osc1{"Osc1", 8};
    MyEnvData osc2{"Osc2", 8};
    MyEnvData noise{"Noise", 8};
    std::vector<std::unique_ptr<MyNote>> voices;
    std::vector<float> out1 = std::vector<float>(kBlock);
    std::vector<float> out2 = std::vector<float>(kBlock);
    std::vector<float> out3 = std::vector<float>(kBlock);

    // The initial program's settings; the curves' sustain loops keep every note sounding.
    VoiceBench(int voiceCount, int unison, float fm) {
        buildTables();
        ctx.noteFrequency = noteFrequencyTable();
        ctx.waveTable1 = waveTable(0);
        ctx.waveTable2 = waveTable(0);
        ctx.unisonSetting = unison - 1;
        ctx.unisonDetune = 0.5f;
        ctx.velTime = 0.81f;
        ctx.velLevel = 0.815f;
        ctx.velBreath = 0.79f;
        ctx.granularTime = 0.5f;
        ctx.grain = 0.999f * 0.5f;
        ctx.osc2Ratio = 2.0f;
        ctx.fm1 = -0.25f * fm;
        ctx.fm2 = -0.25f * fm;
        ctx.noiseCutoff = (0.8f * 0.9f + 0.1f) * 18000.0f * ctx.invFs;
        ctx.curves[0] = &osc1;
        ctx.curves[1] = &osc2;
        ctx.curves[2] = &noise;
        for (int i = 0; i < voiceCount; ++i) {
            voices.push_back(std::make_unique<MyNote>(ctx));
            voices.back()->start(40 + i, 100);
            if (i > 0) voices[static_cast<std::size_t>(i) - 1]->next = voices.back().get();
        }
    }
    ~VoiceBench() { releaseTables(); }

    void renderBlock() {
        std::fill(out1.begin(), out1.end(), 0.0f);
        std::fill(out2.begin(), out2.end(), 0.0f);
        std::fill(out3.begin(), out3.end(), 0.0f);
        for (int pos = 0; pos < kBlock; pos += kRun) {
            const int n = std::min(kRun, kBlock - pos);
            MyNote::renderRun(voices.front().get(), out1.data() + pos, out2.data() + pos,
                              out3.data() + pos, n);
        }
        benchmark::DoNotOptimize(out1.data());
        benchmark::DoNotOptimize(out2.data());
        benchmark::DoNotOptimize(out3.data());
    }
};

void voices(benchmark::State& state, int voiceCount, int unison, float fm) {
    std::fesetround(FE_TONEAREST);
    VoiceBench bench(voiceCount, unison, fm);
    for (auto _ : state)
        bench.renderBlock();
    state.SetItemsProcessed(state.iterations() * kBlock);
    state.counters["x_realtime"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kBlock / 44100.0, benchmark::Counter::kIsRate);
}

// Arguments: voices, unison copies, "Osc1 FM" and "Osc2 FM" value.
#define SORVELLA_VOICE_BENCH(v, u, fm)                          \
    void BM_Voice_##v##x##u##_fm##fm(benchmark::State& state) { \
        voices(state, v, u, static_cast<float>(fm) * 0.1f);     \
    }                                                           \
    BENCHMARK(BM_Voice_##v##x##u##_fm##fm)

SORVELLA_VOICE_BENCH(1, 4, 0);
SORVELLA_VOICE_BENCH(32, 4, 0);
SORVELLA_VOICE_BENCH(32, 4, 5);
SORVELLA_VOICE_BENCH(32, 8, 5);

}  // namespace
}  // namespace sorvella
