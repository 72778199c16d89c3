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

TEST(EditorLayout, ParametersHaveTheirDisplaysAndStepButtons) {
    for (std::int32_t p = 0; p < kNumParams; ++p) {
        SCOPED_TRACE(p);
        const bool vowel =
            p == kVowel1Start || p == kVowel1End || p == kVowel2Start || p == kVowel2End;
        EXPECT_EQ(displayTagOf(p), vowel ? -1 : p + 29);
        EXPECT_EQ(placementOf(p + 29) != nullptr, !vowel);
        EXPECT_EQ(bindingOf(p + 29).parameter, p);
    }
    // Each step pair sits at the left + 12 and top + 2 (up), top + 16 (down) of its parameter's
    // position, which lies 3 left of and 16 below the display.
    const std::int32_t stepped[4] = {kVoices, kUnisonNotes, kOsc1Shape, kOsc2Shape};
    for (std::int32_t i = 0; i < 4; ++i) {
        const PixelRect shown = placementOf(displayTagOf(stepped[i]))->rect;
        const PixelRect up = placementOf(81 + 2 * i)->rect;
        const PixelRect down = placementOf(82 + 2 * i)->rect;
        EXPECT_EQ(up, (PixelRect{shown.left - 3 + 12, shown.top + 16 + 2, 11, 10}));
        EXPECT_EQ(down, (PixelRect{up.left, up.top + 14, 11, 10}));
        EXPECT_EQ(bindingOf(81 + 2 * i).action, Action::kStepUp);
        EXPECT_EQ(bindingOf(82 + 2 * i).action, Action::kStepDown);
        EXPECT_EQ(bindingOf(81 + 2 * i).parameter, stepped[i]);
        EXPECT_EQ(bindingOf(82 + 2 * i).parameter, stepped[i]);
        EXPECT_EQ(controlTagOf(stepped[i]), -1);
    }
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

TEST(VowelMenus, EntriesAndTheValuesTheySet) {
    EXPECT_STREQ(vowelMenuText(25), "-");
    EXPECT_STREQ(vowelMenuText(26), "User-defined");
    // The menu control's value is the parameter x 100 + 0.01; entries past the menu are ignored.
    EXPECT_EQ(vowelMenuEntry(0.25f * 100.0f + 0.01f), 25);
    EXPECT_EQ(vowelMenuEntry(27.01f), -1);
    EXPECT_EQ(vowelMenuParameterValue(26), 0.26f);
}

}  // namespace
}  // namespace sorvella
