#include "editor/editor_layout.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>

#include "editor/editor_menus.h"

namespace sorvella {
namespace {

TEST(EditorLayout, EveryControlLiesInItsPageAndHasOneTag) {
    const PixelRect window{0, 0, layout::kWindowWidth, layout::kWindowHeight};
    EXPECT_EQ(layout::kFormantPage, (PixelRect{138, 97, 543, 180}));
    std::set<std::int32_t> seen;
    for (Page page : {Page::kMain, Page::kFormant}) {
        const PixelRect area = page == Page::kMain ? window : PixelRect{0, 0, 543, 180};
        for (const ControlPlacement& c : pageLayout(page)) {
            SCOPED_TRACE(c.tag);
            EXPECT_TRUE(area.containsRect(c.rect));
            EXPECT_TRUE(seen.insert(c.tag).second);
            EXPECT_EQ(placementOf(c.tag), &c);
            EXPECT_NE(bindingOf(c.tag).action, Action::kNone);
            if (c.kind == ControlKind::kKnob) {
                // One film frame: 81 frames of 34 (small films) or 44 (large film) pixels.
                EXPECT_EQ(c.rect.height, c.bitmap == skin::kKnobLarge ? 44 : 34);
                EXPECT_EQ(bindingOf(c.tag).parameter, c.tag);
            }
        }
    }
    // 21 knobs, 25 displays, 8 step buttons, 4 menus, 8 program buttons and 11 more.
    EXPECT_EQ(pageLayout(Page::kMain).size(), 77u);
    EXPECT_EQ(placementOf(tags::kSetup), nullptr);
}

TEST(EditorLayout, TagsOutsideTheTableBindToNothing) {
    for (std::int32_t tag : {-1, 58, 92, 95, 96, 1000, INT_MIN, INT_MAX}) {
        EXPECT_EQ(bindingOf(tag).action, Action::kNone) << tag;
        EXPECT_EQ(bindingOf(tag).parameter, -1) << tag;
    }
    for (std::int32_t p : {-1, 29, INT_MIN}) {
        EXPECT_EQ(controlTagOf(p), -1);
        EXPECT_EQ(displayTagOf(p), -1);
    }
    EXPECT_EQ(bindingOf(75).parameter, kVowel2Start);
    EXPECT_EQ(bindingOf(75).slot, 2);
    EXPECT_EQ(bindingOf(71).slot, 7);
}

}  // namespace
}  // namespace sorvella
