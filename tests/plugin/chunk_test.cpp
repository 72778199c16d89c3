// State chunks through the host requests. The instrument may refuse them (answer 0); whatever it
// answers, asking for a chunk and handing one back, good or bad, must not harm it.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "tests/plugin/plugin_fixture.h"
#include "tests/plugin/signal_analysis.h"
#include "tests/plugin/test_host.h"

namespace sorvella::test {
namespace {

// effGetChunk's data, copied; empty when the instrument answers 0.
std::vector<unsigned char> chunkOf(TestHost& host, bool preset) {
    void* data = nullptr;
    const vst2::intptr size = host.dispatch(vst2::effGetChunk, preset ? 1 : 0, 0, &data);
    EXPECT_GE(size, 0);
    if (size <= 0) return {};
    EXPECT_NE(data, nullptr);
    if (data == nullptr) return {};
    const auto* bytes = static_cast<const unsigned char*>(data);
    return std::vector<unsigned char>(bytes, bytes + size);
}

void setChunk(TestHost& host, std::vector<unsigned char> bytes, bool preset) {
    if (bytes.empty()) bytes.reserve(1);
    host.dispatch(vst2::effSetChunk, preset ? 1 : 0, static_cast<vst2::intptr>(bytes.size()),
                  bytes.data());
}

void expectPlayable(TestHost& host) {
    const Stereo out = host.play({{0, noteOn(60, 100)}, {frames(0.2), noteOff(60)}}, frames(0.5));
    EXPECT_EQ(countNonFinite(out), 0u);
    EXPECT_LT(peak(out), 100.0f);
    for (std::int32_t index = 0; index < kParamCount; ++index) {
        EXPECT_FALSE(host.parameterDisplay(index).empty()) << index;
    }
}

TEST(PluginChunks, OwnChunksGoBackIn) {
    TestHost host;
    ASSERT_TRUE(openStarted(host));
    for (bool preset : {true, false}) {
        SCOPED_TRACE(preset ? "preset" : "bank");
        const std::vector<unsigned char> chunk = chunkOf(host, preset);
        setChunk(host, chunk, preset);
        expectPlayable(host);
        // The buffer handed out stays readable until the next request.
        EXPECT_EQ(chunkOf(host, preset), chunkOf(host, preset));
    }
}

TEST(PluginChunks, DamagedChunksAreHarmless) {
    TestHost source;
    ASSERT_TRUE(openStarted(source));
    const std::vector<unsigned char> preset = chunkOf(source, true);
    const std::vector<unsigned char> bank = chunkOf(source, false);

    std::mt19937 random(1053);
    std::uniform_int_distribution<int> anyByte(0, 255);
    auto noise = [&](std::size_t size) {
        std::vector<unsigned char> bytes(size);
        for (auto& byte : bytes)
            byte = static_cast<unsigned char>(anyByte(random));
        return bytes;
    };
    std::vector<std::vector<unsigned char>> damaged = {{},         {0},         noise(3),
                                                       noise(993), noise(7356), noise(1 << 20)};
    for (const auto* whole : {&preset, &bank}) {
        for (std::size_t length : {std::size_t{4}, std::size_t{16}, whole->size() / 2,
                                   whole->size() > 0 ? whole->size() - 1 : 0}) {
            if (length <= whole->size())
                damaged.emplace_back(whole->begin(), whole->begin() + length);
        }
        std::vector<unsigned char> flipped = *whole;
        for (std::size_t i = 0; i < flipped.size(); i += 7)
            flipped[i] ^= 0xFF;
        damaged.push_back(flipped);
        std::vector<unsigned char> longer = *whole;
        longer.resize(longer.size() + 100, 0xEE);
        damaged.push_back(longer);
    }
    for (std::size_t i = 0; i < damaged.size(); ++i) {
        for (bool asPreset : {true, false}) {
            SCOPED_TRACE(testing::Message()
                         << "case " << i << (asPreset ? " as preset" : " as bank"));
            TestHost host;
            ASSERT_TRUE(openStarted(host));
            setChunk(host, damaged[i], asPreset);
            expectPlayable(host);
        }
    }
}

}  // namespace
}  // namespace sorvella::test
