// What careless hosts and automation lanes do to the instrument through the VST 2 interface.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "tests/plugin/plugin_fixture.h"
#include "tests/plugin/signal_analysis.h"
#include "tests/plugin/test_host.h"

namespace sorvella::test {
namespace {

// A vowel morph switched between its ends every 64 frames, with no note sounding, gave the
// resonators new coefficients while they kept their state, until they ran away to Inf and NaN
// for good. Each case ran away within 2.1 seconds. (The growth before the guard clears the
// state is finite and stays: the guard changes no sample below its level.)
TEST(HostileAutomation, AMorphSwitchedEvery64FramesStaysFinite) {
    struct Case {
        float rate;
        std::int32_t morph;  // the parameter switched, or -1 for controller 36 by MIDI
        std::vector<std::pair<std::int32_t, float>> setUp;
    };
    const Case cases[] = {
        {44100.0f, kVowel2Morph, {}},
        {44100.0f, -1, {}},
        {48000.0f, kVowel2Morph, {{kFormantsL, 1.0f}, {kVowel2Start, 0.25f}, {kVowel2End, 0.25f}}},
        {96000.0f, kVowel1Morph, {}},
        {192000.0f, kVowel2Morph, {{kVowel2Start, 0.0f}, {kVowel2End, 0.25f}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "parameter " << c.morph << " at " << c.rate << " Hz");
        TestHost host;
        ASSERT_TRUE(openStarted(host, c.rate));
        for (const auto& [parameter, value] : c.setUp)
            host.setParameter(parameter, value);
        std::size_t nonFinite = 0;
        const std::int64_t steps = frames(2.5, c.rate) / 64;
        for (std::int64_t step = 0; step < steps; ++step) {
            const bool high = step % 2 == 1;
            if (c.morph >= 0) {
                host.setParameter(c.morph, high ? 1.0f : 0.0f);
            } else {
                host.sendEvents({controlChange(36, high ? 127 : 0)});
            }
            nonFinite += countNonFinite(host.process(64));
        }
        EXPECT_EQ(nonFinite, 0u);
    }
}

// Waits for a run of threads; a deadlock cannot be undone, so it ends the test program.
void finishOrAbort(std::future<void>& done, const char* what) {
    if (done.wait_for(std::chrono::seconds(120)) == std::future_status::ready) return;
    std::fprintf(stderr, "%s: deadlocked\n", what);
    std::fflush(stderr);
    std::_Exit(1);
}

// effSetProgram and effSetChunk called the display update while holding the audio lock; with a
// host that holds its lock around processReplacing, the two threads waited for each other.
TEST(HostileThreads, TheDisplayUpdateComesWithoutTheAudioLock) {
    // A host of a common design: one recursive lock of its own, held around every process call
    // and taken again in the display-update callback.
    static std::recursive_mutex hostLock;
    HostOptions options;
    options.onCall = [](std::int32_t opcode) {
        if (opcode == vst2::audioMasterUpdateDisplay) std::lock_guard lock(hostLock);
    };
    TestHost host(options);
    ASSERT_TRUE(openStarted(host));
    host.setBlockSize(64);

    std::atomic<bool> rendering{true};
    std::packaged_task<void()> audioTask([&] {
        for (int block = 0; rendering; ++block) {
            {
                std::lock_guard lock(hostLock);
                // Program changes by MIDI update the display too, from inside the process call.
                if (block % 50 == 0) host.sendEvents({programChange(block % 8)});
                host.process(64);
            }
            // The wait for the next period, in which the host's other threads take its lock.
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    std::future<void> audioDone = audioTask.get_future();
    std::thread audio(std::move(audioTask));

    std::packaged_task<void()> editsTask([&] {
        for (int i = 0; i < 100; ++i) {
            host.setProgram(i % 8);
            if (i % 10 != 0) continue;
            EXPECT_EQ(host.reloadChunk(false), 1);
        }
    });
    std::future<void> editsDone = editsTask.get_future();
    std::thread edits(std::move(editsTask));

    finishOrAbort(editsDone, "program and chunk changes");
    rendering = false;
    finishOrAbort(audioDone, "rendering");
    edits.join();
    audio.join();
}

// Hosts are not supposed to suspend, resume or change the rate or block size while another
// thread renders, but some do: the notes are released under the audio lock.
TEST(HostileThreads, LifecycleCallsWhileRendering) {
    TestHost host;
    ASSERT_TRUE(openStarted(host));
    std::atomic<bool> rendering{true};
    std::size_t nonFinite = 0;
    std::thread audio([&] {
        for (int block = 0; block < 400; ++block) {
            if (block % 8 == 0) host.sendEvents({noteOn(40 + block % 40, 100)});
            nonFinite += countNonFinite(host.process(64));
        }
        rendering = false;
    });
    const float rates[] = {44100.0f, 48000.0f, 96000.0f};
    // A bounded number of calls, so that a slow build (a thread sanitizer's) ends as soon.
    for (int call = 0; rendering && call < 64; ++call) {
        const int kind = call % 4;
        if (kind < 2) host.dispatch(vst2::effMainsChanged, 0, kind);  // suspend, resume
        if (kind == 2) host.dispatch(vst2::effSetSampleRate, 0, 0, nullptr, rates[call % 3]);
        if (kind == 3) host.dispatch(vst2::effSetBlockSize, 0, 64 << (call % 3));
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    audio.join();
    EXPECT_EQ(nonFinite, 0u);
}

}  // namespace
}  // namespace sorvella::test
