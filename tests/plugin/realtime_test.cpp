// What the audio thread may do: no allocation inside the process calls except one granular line
// per started voice, and rendering that survives parameter and program changes from another
// thread.
#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>
#include <vector>

#include "tests/plugin/allocation_counter.h"
#include "tests/plugin/plugin_fixture.h"
#include "tests/plugin/signal_analysis.h"
#include "tests/plugin/test_host.h"

namespace sorvella::test {
namespace {

class PluginAllocations : public ::testing::Test {
  protected:
    void SetUp() override {
        // Opened first even when skipped: a library unloaded before its entry ever ran also
        // unloads the drawing libraries it links, whose own start-up allocations then show as
        // leaks.
        ASSERT_TRUE(openStarted(host));
        if (!allocationCountingAvailable()) {
            GTEST_SKIP() << "allocation counting is compiled out under AddressSanitizer";
        }
        host.resetProcessAllocations();
    }

    TestHost host;
};

// Silence, sounding voices, controllers, the pedal, bends and program changes by MIDI.
TEST_F(PluginAllocations, BlocksWithoutNewVoicesAllocateNothing) {
    for (int block = 0; block < 20; ++block)
        host.process(512);
    host.sendEvents({});
    host.process(512);
    EXPECT_EQ(host.processAllocations().allocations, 0u);
    EXPECT_EQ(host.processAllocations().releases, 0u);
    host.play({{0, noteOn(48, 100)}, {10, noteOn(60, 90)}, {20, noteOn(67, 80)}}, 4096);
    host.resetProcessAllocations();
    const Score score = {{0, controlChange(7, 90)},    {100, controlChange(43, 10)},
                         {200, controlChange(10, 30)}, {300, controlChange(64, 127)},
                         {400, pitchBend(40)},         {500, controlChange(96, 7)},
                         {600, controlChange(97, 44)}, {700, controlChange(33, 100)},
                         {800, controlChange(37, 70)}, {900, controlChange(39, 20)},
                         {1000, controlChange(64, 0)}, {1100, midiEvent(0xD0, 40, 0)},
                         {1200, noteOff(12)},          {1300, controlChange(1, 64)},
                         {1400, programChange(3)},     {1500, programChange(0)}};
    for (int round = 0; round < 10; ++round)
        host.play(score, 2048);
    EXPECT_EQ(host.processAllocations().allocations, 0u);
}

TEST_F(PluginAllocations, EachStartedVoiceAllocatesAtMostOnce) {
    Score score;
    for (int i = 0; i < 12; ++i)
        score.push_back({i * 700, noteOn(40 + 3 * i, 60 + i)});
    score.push_back({9000, noteOn(40, 100)});  // strikes a sounding note again
    score.push_back({9100, noteOn(43, 0)});    // a note-off
    const int started = 13;
    for (int i = 0; i < 12; ++i)
        score.push_back({10000 + i * 300, noteOff(40 + 3 * i)});
    host.play(score, frames(2.0));
    EXPECT_LE(host.processAllocations().allocations, static_cast<std::uint64_t>(started));
    EXPECT_GE(host.processAllocations().allocations, 1u) << "the counter sees the plugin";
}

// One thread renders 500 blocks of 32 frames with notes; another changes parameters, programs,
// names and the state all the while.
TEST(PluginThreads, ChangesFromAnotherThreadWhileRendering) {
    TestHost host;
    ASSERT_TRUE(openStarted(host));
    host.setBlockSize(32);
    std::atomic<bool> rendering{true};
    std::size_t nonFinite = 0;
    float loudest = 0.0f;

    std::thread audio([&] {
        for (int block = 0; block < 500; ++block) {
            if (block % 10 == 0) {
                host.sendEvents({noteOn(36 + block % 48, 100), noteOff(36 + (block + 470) % 48, 5),
                                 controlChange(7, block % 128, 9), pitchBend(block % 128, 0, 20)});
            }
            const Stereo out = host.process(32);
            nonFinite += countNonFinite(out);
            loudest = std::max(loudest, peak(out));
        }
        rendering = false;
    });

    std::mt19937 random(500);
    std::uniform_int_distribution<std::int32_t> anyParameter(0, kParamCount - 1);
    std::uniform_real_distribution<float> anyValue(0.0f, 1.0f);
    std::uniform_int_distribution<std::int32_t> anyProgram(0, 7);
    int calls = 0;
    while (rendering && calls < 9999) {
        const std::int32_t parameter = anyParameter(random);
        host.setParameter(parameter, anyValue(random));
        host.getParameter(parameter);
        host.parameterDisplay(parameter);
        if (calls % 50 == 0) host.setProgram(anyProgram(random));
        if (calls % 70 == 0) {
            char name[] = "Threaded";
            host.dispatch(vst2::effSetProgramName, 0, 0, name);
            host.text(vst2::effGetProgramName);
        }
        if (calls % 200 == 0) host.reloadChunk(calls % 400 == 0);
        ++calls;
    }
    audio.join();
    EXPECT_EQ(nonFinite, 0u);
    EXPECT_LT(loudest, 100.0f);
}

}  // namespace
}  // namespace sorvella::test
