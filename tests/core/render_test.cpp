#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "support/test_host.h"

namespace sorvella {
namespace {

// render16 converts the float output to 16-bit stereo and clips it to ±32767.
TEST(RenderTest, SixteenBitOutputClipsSymmetrically) {
    testing::HostRecorder host;
    auto vsti = testing::makeInstrument();
    for (std::int32_t p : {kLevel, kMix1, kMix2, kMixBreath, kVoices})
        vsti->setParameter(p, 1.0f);
    for (std::uint8_t n = 40; n < 72; ++n)
        testing::sendMidi(*vsti, 0, 0x90, n, 127);
    std::vector<std::int16_t> pcm(2 * 8192);
    vsti->render16(pcm.data(), 8192);
    auto [lo, hi] = std::minmax_element(pcm.begin(), pcm.end());
    EXPECT_EQ(*hi, 32767);
    EXPECT_EQ(*lo, -32767);

    auto quiet = testing::makeInstrument();
    std::vector<std::int16_t> silent(2 * 512, 123);
    quiet->render16(silent.data(), 512);
    EXPECT_TRUE(std::all_of(silent.begin(), silent.end(), [](std::int16_t s) { return s == 0; }));
}

}  // namespace
}  // namespace sorvella
