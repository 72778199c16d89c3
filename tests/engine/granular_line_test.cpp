#include "engine/granular_line.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <vector>

namespace sorvella {
namespace {

TEST(GranularLine, LengthsAreHeldToTheLineAndAnEmptiedLineStaysUsable) {
    GranularLine line;
    EXPECT_EQ(line.length(), 0);
    for (auto [asked, kept] : {std::pair{5, 5},
                               {0, 1},
                               {-7, 1},
                               {GranularLine::kMaxLength + 5, GranularLine::kMaxLength}}) {
        line.reset(asked);
        EXPECT_EQ(line.length(), kept) << asked;
    }
    line.clear();
    EXPECT_EQ(line.length(), 0);
    EXPECT_EQ(line.feed(0.5f, 1.0f), 0.5f);
    // A reset line starts from silence again, with its storage reused.
    line.reset(4);
    for (int n = 0; n < 10; ++n)
        line.feed(1.0f, 1.0f);
    line.reset(3);
    EXPECT_EQ(line.feed(2.0f, 1.0f), 2.0f);
    EXPECT_EQ(line.feed(2.0f, 1.0f), 2.0f);
}

// The block path against one access at a time: every length around the four-sample stride and
// blocks that cross the ring's end.
TEST(GranularLine, BlocksMatchOneAccessAtATime) {
    std::vector<float> s1(256), e1(256), s2(256), e2(256);
    for (std::size_t i = 0; i < s1.size(); ++i) {
        s1[i] = 0.3f + 0.01f * static_cast<float>(i % 17);
        e1[i] = 0.9f - 0.002f * static_cast<float>(i);
        s2[i] = -0.2f + 0.013f * static_cast<float>(i % 11);
        e2[i] = 0.5f + 0.001f * static_cast<float>(i);
    }
    for (std::int32_t length = 1; length <= 21; ++length) {
        for (int n : {1, 3, 4, 7, 64, 250}) {
            GranularLine a;
            GranularLine b;
            a.reset(length);
            b.reset(length);
            std::vector<float> o1(256, 0.25f), o2(256, -0.5f);
            std::vector<float> p1 = o1, p2 = o2;
            for (int round = 0; round < 3; ++round) {
                a.feedBlock(s1.data(), e1.data(), s2.data(), e2.data(), 0.7f, o1.data(), o2.data(),
                            n);
                for (std::size_t k = 0; k < static_cast<std::size_t>(n); ++k) {
                    p1[k] += b.feed(s1[k] * e1[k], 0.7f);
                    p2[k] += b.feed(s2[k] * e2[k], 0.7f);
                }
                for (std::size_t k = 0; k < o1.size(); ++k) {
                    ASSERT_EQ(std::bit_cast<std::uint32_t>(o1[k]),
                              std::bit_cast<std::uint32_t>(p1[k]))
                        << length << " " << n << " " << k;
                    ASSERT_EQ(std::bit_cast<std::uint32_t>(o2[k]),
                              std::bit_cast<std::uint32_t>(p2[k]))
                        << length << " " << n << " " << k;
                }
            }
        }
    }
}

}  // namespace
}  // namespace sorvella
