#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "support/test_host.h"

namespace sorvella {
namespace {

using testing::HostRecorder;
using testing::makeInstrument;
using testing::render;
using testing::sendMidi;

// The filters' anti-denormal offsets leave a floor far below anything audible.
constexpr float kAudible = 1e-9f;

std::int32_t firstNonZero(const std::vector<float>& x) {
    auto it = std::find_if(x.begin(), x.end(), [](float v) { return std::abs(v) > kAudible; });
    return it == x.end() ? -1 : static_cast<std::int32_t>(it - x.begin());
}

class RenderTest : public ::testing::Test {
  protected:
    HostRecorder host;
    std::unique_ptr<MyVsti> vsti = makeInstrument();
    std::vector<float> left, right;
};

TEST_F(RenderTest, SilenceWithoutNotes) {
    render(*vsti, left, right, 4096);
    EXPECT_EQ(firstNonZero(left), -1);
    EXPECT_EQ(firstNonZero(right), -1);
}

TEST_F(RenderTest, EventsTakeEffectAtTheirSample) {
    for (std::int32_t delta : {0, 10, 300}) {
        auto fresh = makeInstrument();
        sendMidi(*fresh, delta, 0x90, 69, 100);
        render(*fresh, left, right, 512);
        EXPECT_EQ(firstNonZero(left), delta);
    }
}

TEST_F(RenderTest, EventsBeyondTheBlockWaitForTheNextOne) {
    sendMidi(*vsti, 100, 0x90, 69, 100);
    std::vector<float> l(64), r(64);
    float* outs[2] = {l.data(), r.data()};
    vsti->processReplacing(nullptr, outs, 64);
    EXPECT_EQ(firstNonZero(l), -1);
    vsti->processReplacing(nullptr, outs, 64);
    EXPECT_EQ(firstNonZero(l), 0);
}

// Renders frames in blocks that alternate between two sizes, handing each event over with the
// block it falls in, the way a host does.
void renderWithEvents(MyVsti& v, std::vector<float>& l, std::vector<float>& r, std::int32_t small,
                      std::int32_t large) {
    struct Note {
        std::int32_t at;
        std::uint8_t status, key, velocity;
    };
    const Note notes[] = {{3, 0x90, 60, 90}, {700, 0x90, 67, 70}, {1500, 0x80, 60, 0}};
    l.assign(8192, 0.0f);
    r.assign(8192, 0.0f);
    for (std::int32_t at = 0, n = small; at < 8192; at += n, n = n == small ? large : small) {
        std::int32_t count = std::min(n, 8192 - at);
        for (const Note& e : notes) {
            if (e.at >= at && e.at < at + count)
                sendMidi(v, e.at - at, e.status, e.key, e.velocity);
        }
        float* outs[2] = {l.data() + at, r.data() + at};
        v.processReplacing(nullptr, outs, count);
    }
}

TEST_F(RenderTest, BlockSizeDoesNotChangeTheSound) {
    auto other = makeInstrument();
    std::vector<float> l, r;
    renderWithEvents(*vsti, left, right, 512, 512);
    renderWithEvents(*other, l, r, 7, 61);
    EXPECT_EQ(left, l);
    EXPECT_EQ(right, r);
}

TEST_F(RenderTest, WithoutReverbBothChannelsCarryTheSameSignalBeforePanning) {
    vsti->setParameter(kReverbMix, 0.0f);
    sendMidi(*vsti, 0, 0x90, 57, 100);
    render(*vsti, left, right, 4096);
    const float panL = std::cos(64 * 0.012368475f) * std::cos(64 * 0.012368475f);
    const float panR = std::sin(64 * 0.012368475f) * std::sin(64 * 0.012368475f);
    for (std::size_t i = 0; i < left.size(); i += 97) {
        EXPECT_FLOAT_EQ(left[i] / panL, right[i] / panR);
    }
}

TEST_F(RenderTest, PanControllerMovesTheSound) {
    vsti->setParameter(kReverbMix, 0.0f);
    sendMidi(*vsti, 0, 0xB0, 10, 0);
    sendMidi(*vsti, 0, 0x90, 57, 100);
    render(*vsti, left, right, 2048);
    EXPECT_NE(firstNonZero(left), -1);
    EXPECT_EQ(firstNonZero(right), -1);
}

TEST_F(RenderTest, AccumulatingProcessAddsToTheBuffers) {
    sendMidi(*vsti, 0, 0x90, 64, 100);
    std::vector<float> l(256, 1.0f), r(256, 1.0f);
    float* outs[2] = {l.data(), r.data()};
    vsti->process(nullptr, outs, 256);
    auto fresh = makeInstrument();
    sendMidi(*fresh, 0, 0x90, 64, 100);
    render(*fresh, left, right, 256);
    for (std::size_t i = 0; i < 256; ++i)
        EXPECT_EQ(l[i], 1.0f + left[i]);
}

TEST_F(RenderTest, SixteenBitOutputClipsSymmetrically) {
    for (std::int32_t p : {kLevel, kMix1, kMix2, kMixBreath, kVoices})
        vsti->setParameter(p, 1.0f);
    for (std::uint8_t n = 40; n < 72; ++n)
        sendMidi(*vsti, 0, 0x90, n, 127);
    std::vector<std::int16_t> pcm(2 * 8192);
    vsti->render16(pcm.data(), 8192);
    auto [lo, hi] = std::minmax_element(pcm.begin(), pcm.end());
    EXPECT_EQ(*hi, 32767);
    EXPECT_EQ(*lo, -32767);

    auto quiet = makeInstrument();
    std::vector<std::int16_t> silent(2 * 512, 123);
    quiet->render16(silent.data(), 512);
    EXPECT_TRUE(std::all_of(silent.begin(), silent.end(), [](std::int16_t s) { return s == 0; }));
}

TEST_F(RenderTest, OutputStaysFiniteAtExtremeSettings) {
    for (std::int32_t i = 0; i < kNumParams; ++i)
        vsti->setParameter(i, 1.0f);
    vsti->setParameter(kVoices, 1.0f);
    for (std::uint8_t n = 0; n < 128; n += 5)
        sendMidi(*vsti, n, 0x90, n, 127);
    sendMidi(*vsti, 1000, 0xE0, 0, 127);
    render(*vsti, left, right, 44100);
    EXPECT_TRUE(std::all_of(left.begin(), left.end(), [](float v) { return std::isfinite(v); }));
    EXPECT_TRUE(std::all_of(right.begin(), right.end(), [](float v) { return std::isfinite(v); }));
}

}  // namespace
}  // namespace sorvella
