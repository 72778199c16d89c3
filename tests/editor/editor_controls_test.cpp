// The editor's own small controls, headless: the momentary button that acts once on release
// inside, and the skin shared by the editors of a process.
#include <gtest/gtest.h>

#include "editor/editor_controls.h"
#include "editor/skin_bitmaps.h"
#include "tests/toolkit/toolkit_harness.h"
#include "toolkit/bitmap.h"

namespace sorvella {
namespace {

TEST(ReleaseButton, ReportsThePressAndOnlyAReleaseInside) {
    test::HeadlessFixture fixture;
    auto* button = new ReleaseButton({50, 10, 70, 20}, &fixture.listener, 60, 10, nullptr);
    fixture.frame->addView(button);
    // Off and back on, let go inside: the press, and one release.
    fixture.run({{{55, 15}, kLButton, true},
                 {{90, 15}, kLButton, true},
                 {{60, 12}, kLButton, true},
                 {{60, 12}, 0, true}});
    EXPECT_EQ(fixture.listener.values(), (std::vector<float>{1.0f, 0.0f}));
    // Let go outside: only the press.
    fixture.listener.reports.clear();
    fixture.run({{{55, 15}, kLButton, true}, {{90, 15}, kLButton, true}, {{90, 15}, 0, true}});
    EXPECT_EQ(fixture.listener.values(), (std::vector<float>{1.0f}));
    EXPECT_EQ(button->getValue(), 0.0f);
    EXPECT_TRUE(fixture.listener.editsPaired());
}

TEST(SkinBitmaps, SharedByEveryHolderAndFreedByTheLast) {
    ASSERT_EQ(SkinBitmaps::holders(), 0);
    EXPECT_EQ(SkinBitmaps::get(134, 1.0), nullptr);
    ASSERT_TRUE(SkinBitmaps::acquire());
    ASSERT_TRUE(SkinBitmaps::acquire());
    CBitmap* main = SkinBitmaps::get(134, 1.0);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->getWidth(), 819);
    // HiDPI windows take the 2x images, which keep the same size in units.
    CBitmap* large = SkinBitmaps::get(134, 1.5);
    ASSERT_NE(large, nullptr);
    EXPECT_EQ(large->getScale(), 2.0);
    EXPECT_EQ(large->getWidth(), 819);
    EXPECT_EQ(SkinBitmaps::get(188, 1.0)->getWidth(), 543);
    EXPECT_EQ(SkinBitmaps::get(999, 1.0), nullptr);
    SkinBitmaps::release();
    EXPECT_EQ(SkinBitmaps::get(134, 1.0), main);
    SkinBitmaps::release();
    EXPECT_EQ(SkinBitmaps::holders(), 0);
    EXPECT_EQ(SkinBitmaps::get(134, 1.0), nullptr);
    SkinBitmaps::release();  // one too many changes nothing
    EXPECT_EQ(SkinBitmaps::holders(), 0);
}

}  // namespace
}  // namespace sorvella
