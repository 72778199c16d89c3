// Several instances in one process, and the library loaded and unloaded again and again.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <memory>
#include <random>
#include <vector>

#include "tests/plugin/allocation_counter.h"
#include "tests/plugin/plugin_fixture.h"
#include "tests/plugin/signal_analysis.h"
#include "tests/plugin/test_host.h"

namespace sorvella::test {
namespace {

std::ptrdiff_t entriesIn(const char* directory) {
    return std::distance(std::filesystem::directory_iterator(directory), {});
}

TEST(PluginInstances, TheSameInputGivesTheSameOutput) {
    // The default program, breath noise included: nothing of one instance's sound may depend on
    // what another instance rendered before or in between.
    const Score score = {{0, noteOn(60, 100)},
                         {300, noteOn(67, 80)},
                         {frames(0.4), noteOff(60)},
                         {frames(0.5), pitchBend(20)},
                         {frames(0.6), noteOn(48, 127)}};
    TestHost alone, first, second;
    ASSERT_TRUE(openStarted(alone) && openStarted(first) && openStarted(second));
    const Stereo expected = alone.play(score, frames(1.0));
    Stereo a;
    Stereo b;
    for (std::int64_t at = 0; at < frames(1.0); at += 512) {
        const std::int64_t length = std::min<std::int64_t>(512, frames(1.0) - at);
        Score block;
        for (const TimedEvent& event : score) {
            if (event.frame >= at && event.frame < at + length) {
                block.push_back({event.frame - at, event.event});
            }
        }
        a.append(first.play(block, length));
        b.append(second.play(block, length));
    }
    EXPECT_TRUE(identical(a, expected)) << "rendered block by block in turn with another";
    EXPECT_TRUE(identical(b, expected));
}

TEST(PluginInstances, ThirtyThreeInstancesClosedInRandomOrder) {
    std::vector<std::unique_ptr<TestHost>> hosts;
    for (int i = 0; i < 33; ++i) {
        hosts.push_back(std::make_unique<TestHost>());
        ASSERT_TRUE(openStarted(*hosts.back())) << i;
    }
    hosts[7]->sendEvents({noteOn(60, 127)});
    for (std::size_t i = 0; i < hosts.size(); ++i) {
        const Stereo out = hosts[i]->play({}, 4096);
        if (i == 7) {
            EXPECT_GT(peak(out), 1e-3f);
        } else {
            EXPECT_LT(peak(out), 1e-9f) << i;
        }
    }
    std::mt19937 random(33);
    std::shuffle(hosts.begin(), hosts.end(), random);
    while (!hosts.empty()) {
        EXPECT_EQ(hosts.back()->close(), 1);
        hosts.pop_back();
        for (auto& host : hosts)
            EXPECT_EQ(countNonFinite(host->process(256)), 0u);
    }
}

// dlopen, entry, a short render, effClose, dlclose.
void loadPlayUnload() {
    TestHost host;
    ASSERT_TRUE(openStarted(host));
    host.play({{0, noteOn(60, 100)}, {1000, noteOff(60)}}, 4096);
    host.suspend();
    EXPECT_EQ(host.close(), 1);
}

TEST(PluginLibraryLifetime, FiftyLoadCyclesLeaveNothingBehind) {
    for (int i = 0; i < 3; ++i)
        loadPlayUnload();  // one-time costs of the loader and runtime
    const std::ptrdiff_t descriptors = entriesIn("/proc/self/fd");
    const std::ptrdiff_t threads = entriesIn("/proc/self/task");
    const std::int64_t live = liveAllocations();
    for (int i = 0; i < 50; ++i) {
        loadPlayUnload();
        if (HasFatalFailure()) return;
    }
    EXPECT_EQ(entriesIn("/proc/self/fd"), descriptors);
    EXPECT_EQ(entriesIn("/proc/self/task"), threads);
    if (allocationCountingAvailable()) {
        EXPECT_LT(liveAllocations() - live, 50) << "blocks left allocated after 50 cycles";
    }
    void* stillLoaded = ::dlopen(pluginPath(), RTLD_NOW | RTLD_NOLOAD);
    if (stillLoaded != nullptr) ::dlclose(stillLoaded);
    EXPECT_EQ(stillLoaded, nullptr) << "the library stays in memory after its last dlclose";
}

}  // namespace
}  // namespace sorvella::test
