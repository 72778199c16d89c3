// Process calls as hosts make them: sample-accurate events, events for later blocks, buffer
// discipline, accumulating output, odd block sizes and sample rates, and the lifecycle around
// rendering (suspend, resume, rate changes).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "tests/plugin/plugin_fixture.h"
#include "tests/plugin/signal_analysis.h"
#include "tests/plugin/test_host.h"

namespace sorvella::test {
namespace {

// Far above the denormal guards of the filters in silence, far below the first sample of a note
// (the breath noise passes the formant banks without delay).
constexpr float kOnset = 1e-12f;
constexpr float kSilent = 1e-6f;

TEST(PluginEvents, EventsBeyondTheBlockStartTheNextBlock) {
    for (std::int32_t delta : {512, 100000}) {
        SCOPED_TRACE(delta);
        TestHost late, reference;
        ASSERT_TRUE(openVoicesOnly(late) && openVoicesOnly(reference));

        late.sendEvents({noteOn(60, 127, delta)});
        const Stereo lateFirst = late.process(512);  // the list is overwritten and freed here
        const Stereo lateSecond = late.process(512);
        reference.process(512);
        reference.sendEvents({noteOn(60, 127, 0)});
        const Stereo referenceSecond = reference.process(512);

        EXPECT_LT(peak(lateFirst), kOnset);
        EXPECT_TRUE(identical(lateSecond, referenceSecond));
        EXPECT_GT(peak(lateSecond), kOnset);
    }
}

TEST(PluginEvents, EventsBeyondTheBlockNeverCrowdOutLaterOnes) {
    TestHost host;
    ASSERT_TRUE(openStarted(host));
    for (int block = 0; block < 500; ++block) {
        host.sendEvents(std::vector<vst2::VstMidiEvent>(10, controlChange(7, 5, 10000000)));
        host.process(512);
    }
    host.sendEvents({noteOn(60, 127, 0), controlChange(7, 100, 1)});
    EXPECT_GT(peak(host.process(512), 0, 1), kOnset);
    EXPECT_EQ(host.getParameter(kLevel), 100.0f * 0.007874015718698502f);
}

TEST(PluginEvents, AKeptListIsNeverReadAgain) {
    // After its block the host's list says "controller 7 to 0" (see TestHost): a plugin reading
    // it again would turn "Level" down and fall silent.
    TestHost host;
    ASSERT_TRUE(openStarted(host));
    host.sendEvents({noteOn(60, 100, 0), controlChange(7, 100, 10), noteOn(64, 100, 300)});
    host.process(512);
    const Stereo later = host.play({}, frames(1.0));
    EXPECT_EQ(host.getParameter(kLevel), 100.0f * 0.007874015718698502f);
    EXPECT_GT(peak(later, frames(0.9)), 1e-3f);
}

TEST(PluginEvents, ListsOfAnySizeAndKind) {
    TestHost host;
    ASSERT_TRUE(openStarted(host));
    std::vector<vst2::VstMidiEvent> many;
    for (int i = 0; i < 5000; ++i) {
        many.push_back(i % 2 == 0 ? noteOn(20 + i % 100, 1 + i % 127, i % 512)
                                  : noteOff(20 + (i - 1) % 100, i % 512));
    }
    host.sendEvents({noteOn(60, 127, -5)});
    EXPECT_GT(peak(host.process(512), 0, 1), kOnset) << "a negative delta plays at once";
    host.sendEvents({noteOn(62, 127, 300), noteOn(64, 127, 100), noteOff(60, -1000),
                     controlChange(7, 64, 200)});
    Stereo out = host.process(512);
    EXPECT_EQ(host.getParameter(kLevel), 64.0f * 0.007874015718698502f);
    host.sendEvents(many);
    out.append(host.process(512));
    host.sendEvents({});
    out.append(host.process(512));

    // Sysex and unknown kinds carry no MIDI bytes where a MIDI event has them.
    struct Sysex {
        std::int32_t type, byteSize, deltaFrames, flags, dumpBytes, pad;
        vst2::intptr reserved1;
        char* dump;
        vst2::intptr reserved2;
    };
    char bytes[] = {static_cast<char>(0xF0), 0x7E, 0x7F, 0x09, 0x01, static_cast<char>(0xF7)};
    Sysex sysex{vst2::kVstSysExType, 48, 0, 0, 6, 0, 0, bytes, 0};
    vst2::VstEvent unknown{};
    unknown.type = 99;
    unknown.byteSize = 16;
    std::memset(unknown.data, 0x90, sizeof unknown.data);
    host.sendRawEvents({reinterpret_cast<vst2::VstEvent*>(&sysex), &unknown}, 2);
    out.append(host.process(512));
    host.sendRawEvents({}, 0);
    out.append(host.process(512));
    host.sendRawEvents({}, -7);
    out.append(host.process(512));
    EXPECT_EQ(countNonFinite(out), 0u);
}

TEST(PluginBuffers, ProcessAddsToTheOutput) {
    TestHost accumulating, replacing;
    ASSERT_TRUE(openVoicesOnly(accumulating) && openVoicesOnly(replacing));
    const Stereo expected = replacing.play({{0, noteOn(60, 100)}, {300, noteOn(67, 90)}}, 51200);
    ASSERT_GT(peak(expected), 1e-3f);
    accumulating.sendEvents({noteOn(60, 100), noteOn(67, 90, 300)});
    Stereo base{std::vector<float>(512), std::vector<float>(512, -0.5f)};
    for (std::size_t i = 0; i < 512; ++i)
        base.left[i] = 0.25f + static_cast<float>(i % 100) * 0.001f;
    for (std::size_t at = 0; at < expected.frames(); at += 512) {
        const Stereo sum = accumulating.process(512, &base);
        for (std::size_t i = 0; i < 512; ++i) {
            ASSERT_NEAR(sum.left[i], base.left[i] + expected.left[at + i], 1e-6f) << at + i;
            ASSERT_NEAR(sum.right[i], -0.5f + expected.right[at + i], 1e-6f) << at + i;
        }
    }
}

// Events at the same frames give the same samples however the host cuts the blocks.
TEST(PluginBuffers, BlockSizeDoesNotChangeTheSound) {
    const Score score = {{0, noteOn(60, 100)},
                         {333, noteOn(64, 90)},
                         {1000, controlChange(7, 90)},
                         {2047, pitchBend(30)},
                         {frames(0.3), noteOff(60)},
                         {frames(0.35), controlChange(64, 127)},
                         {frames(0.4), noteOff(64)},
                         {frames(0.45), noteOn(67, 127)},
                         {frames(0.5), controlChange(64, 0)}};
    TestHost reference;
    ASSERT_TRUE(openStarted(reference));
    const Stereo expected = reference.play(score, frames(0.8), 512);
    for (std::int32_t block : {1, 7, 63, 64, 500, 4096}) {
        TestHost host;
        ASSERT_TRUE(openStarted(host));
        EXPECT_TRUE(identical(host.play(score, frames(0.8), block), expected)) << block;
    }
}

TEST(PluginBuffers, DecayToSilenceLeavesNoSubnormals) {
    TestHost host;
    ASSERT_TRUE(openStarted(host));
    Stereo out = host.play({{0, noteOn(60, 127)}, {frames(0.2), noteOff(60)}}, frames(0.5));
    for (int block = 0; block < 9; ++block)
        out.append(host.process(8192));
    std::size_t subnormal = 0;
    for (const std::vector<float>* channel : {&out.left, &out.right}) {
        for (float sample : *channel)
            subnormal += std::fpclassify(sample) == FP_SUBNORMAL;
    }
    EXPECT_EQ(subnormal, 0u);
}

// A rate set while active cuts the voices; effSetBlockSizeAndSampleRate leaves the rate of the
// last effSetSampleRate in force.
TEST(PluginSampleRate, ARateSetWhileActiveCutsTheVoices) {
    TestHost host;
    ASSERT_TRUE(openVoicesOnly(host));
    const Stereo before = host.play({{0, noteOn(60, 100)}}, frames(0.3));
    ASSERT_GT(peak(before, frames(0.2)), 1e-3f);
    host.setSampleRate(48000.0f);
    const Stereo after = host.play({}, frames(0.2, 48000.0f));
    EXPECT_LT(peak(after), kSilent);
    plainTone(host);
    host.suspend();
    EXPECT_EQ(host.dispatch(vst2::effSetBlockSizeAndSampleRate, 0, 512, nullptr, 96000.0f), 1);
    host.resume();
    const Stereo renewed = host.play({{0, noteOn(69, 100)}}, frames(1.0, 48000.0f));
    const double expected = 48000.0 / 220.0;
    EXPECT_NEAR(measurePeriod(renewed.left, frames(0.4, 48000.0f), frames(0.5, 48000.0f),
                              expected * 0.8, expected * 1.25),
                expected, expected * 1e-3);
}

// Suspend and a new block size release every note, as a note-off at the next block would.
TEST(PluginLifecycle, SuspendAndBlockSizeReleaseLikeANoteOff) {
    const std::int64_t at = 40 * 512;
    TestHost reference;
    ASSERT_TRUE(openVoicesOnly(reference));
    const Stereo expected = reference.play(
        {{0, noteOn(60, 100)}, {700, noteOn(67, 80)}, {at, noteOff(60)}, {at, noteOff(67)}},
        frames(1.5));
    for (bool viaSuspend : {true, false}) {
        SCOPED_TRACE(viaSuspend ? "suspend" : "block size");
        TestHost host;
        ASSERT_TRUE(openVoicesOnly(host));
        Stereo out = host.play({{0, noteOn(60, 100)}, {700, noteOn(67, 80)}}, at);
        if (viaSuspend) {
            host.suspend();
            host.resume();
        } else {
            host.setBlockSize(512);
        }
        out.append(host.play({}, frames(1.5) - at));
        EXPECT_TRUE(identical(out, expected));
    }
}

TEST(PluginLifecycle, AnyRateFromAHostIsSurvived) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (float rate : {1.0f, 8000.0f, 22050.0f, 45678.901f, 96000.0f, 192000.0f, 384000.0f,
                       1411200.0f, 0.0f, -44100.0f, nan, inf}) {
        SCOPED_TRACE(rate);
        TestHost host;
        ASSERT_TRUE(host.open());
        host.sendEvents({noteOn(60, 100)});
        host.process(512);  // never resumed, rate never set by the host
        host.start(rate, 512);
        host.setSampleRate(rate);  // again, while active
        const Score score = {{0, noteOn(48, 127)},    {3, noteOn(60, 100)},
                             {300, pitchBend(0)},     {600, controlChange(7, 127)},
                             {900, pitchBend(127)},   {1200, noteOff(48)},
                             {1500, noteOn(84, 127)}, {2000, noteOff(60)}};
        // The harness checks every process call, of any size a host is known to send.
        host.process(0);
        host.process(-1);
        Stereo out = host.play(score, 4096, 7);
        for (std::int32_t size : {1, 17, 2027, 88200})
            out.append(host.process(size));
        EXPECT_EQ(countNonFinite(out), 0u);
        EXPECT_LT(peak(out), 100.0f);
    }
}

}  // namespace
}  // namespace sorvella::test
