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

#include "platform/vst2/midi_message.h"
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

// A host of a common design: one recursive lock of its own, held around every process call and
// taken again in the display-update callback.
std::recursive_mutex gHostLock;

vst2::intptr lockingHost(vst2::AEffect*, std::int32_t opcode, std::int32_t, vst2::intptr, void*,
                         float) {
    if (opcode == vst2::audioMasterVersion) return 2400;
    if (opcode == vst2::audioMasterUpdateDisplay) {
        std::lock_guard lock(gHostLock);
    }
    return 0;
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
    PluginLibrary library;
    ASSERT_TRUE(library.loaded()) << library.error();
    auto entry = reinterpret_cast<EntryPoint>(library.symbol("VSTPluginMain"));
    ASSERT_NE(entry, nullptr);
    vst2::AEffect* effect = entry(&lockingHost);
    ASSERT_NE(effect, nullptr);
    auto dispatch = [effect](std::int32_t opcode, std::int32_t index, vst2::intptr value, void* ptr,
                             float opt) {
        return effect->dispatcher(effect, opcode, index, value, ptr, opt);
    };
    dispatch(vst2::effOpen, 0, 0, nullptr, 0.0f);
    dispatch(vst2::effSetSampleRate, 0, 0, nullptr, 44100.0f);
    dispatch(vst2::effSetBlockSize, 0, 64, nullptr, 0.0f);
    dispatch(vst2::effMainsChanged, 0, 1, nullptr, 0.0f);

    std::atomic<bool> rendering{true};
    std::packaged_task<void()> audioTask([&] {
        std::vector<float> left(64);
        std::vector<float> right(64);
        float* outputs[2] = {left.data(), right.data()};
        for (int block = 0; rendering; ++block) {
            {
                std::lock_guard lock(gHostLock);
                // Program changes by MIDI update the display too, from inside the process call.
                vst2::OneEventList change(vst2::midiMessage(0, 0xC0, block % 8, 0));
                if (block % 50 == 0) dispatch(vst2::effProcessEvents, 0, 0, &change.list, 0.0f);
                effect->processReplacing(effect, nullptr, outputs, 64);
            }
            // The wait for the next period, in which the host's other threads take its lock.
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    std::future<void> audioDone = audioTask.get_future();
    std::thread audio(std::move(audioTask));

    std::packaged_task<void()> editsTask([&] {
        for (int i = 0; i < 100; ++i) {
            dispatch(vst2::effSetProgram, 0, i % 8, nullptr, 0.0f);
            if (i % 10 == 0) {
                void* data = nullptr;
                const vst2::intptr size = dispatch(vst2::effGetChunk, 0, 0, &data, 0.0f);
                std::vector<unsigned char> chunk(static_cast<unsigned char*>(data),
                                                 static_cast<unsigned char*>(data) + size);
                EXPECT_EQ(dispatch(vst2::effSetChunk, 0, size, chunk.data(), 0.0f), 1);
            }
        }
    });
    std::future<void> editsDone = editsTask.get_future();
    std::thread edits(std::move(editsTask));

    finishOrAbort(editsDone, "program and chunk changes");
    rendering = false;
    finishOrAbort(audioDone, "rendering");
    edits.join();
    audio.join();
    dispatch(vst2::effClose, 0, 0, nullptr, 0.0f);
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
        switch (call % 4) {
            case 0:
                host.dispatch(vst2::effMainsChanged, 0, 0);
                break;
            case 1:
                host.dispatch(vst2::effMainsChanged, 0, 1);
                break;
            case 2:
                host.dispatch(vst2::effSetSampleRate, 0, 0, nullptr, rates[call % 3]);
                break;
            default:
                host.dispatch(vst2::effSetBlockSize, 0, 64 << (call % 3));
                break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    audio.join();
    EXPECT_EQ(nonFinite, 0u);
}

}  // namespace
}  // namespace sorvella::test
