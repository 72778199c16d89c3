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

}  // namespace
}  // namespace sorvella
