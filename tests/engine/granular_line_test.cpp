// The granular line's bounds. Its block path is compared with the reference voice's line, one
// access at a time, in voice_exact_test.cpp.
#include "engine/granular_line.h"

#include <gtest/gtest.h>

#include <utility>

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

}  // namespace
}  // namespace sorvella
