#include "editor/control_actions.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>

#include "core/my_vsti.h"
#include "editor/editor_layout.h"
#include "editor/editor_menus.h"
#include "editor/value_displays.h"
#include "editor/xy_pad_model.h"
#include "support/test_host.h"

namespace sorvella {
namespace {

// A tag bound twice drives two controls; a control outside its page cannot be clicked; a knob whose
// height is not its film's frame shows the wrong frame.
TEST(EditorLayout, EveryControlLiesInItsPageHasOneTagAndBadTagsBindToNothing) {
    const PixelRect window{0, 0, layout::kWindowWidth, layout::kWindowHeight};
    const PixelRect formantPage{0, 0, layout::kFormantPageWidth, layout::kFormantPageHeight};
    std::set<std::int32_t> seen;
    for (Page page : {Page::kMain, Page::kFormant}) {
        for (const ControlPlacement& c : pageLayout(page)) {
            SCOPED_TRACE(c.tag);
            EXPECT_TRUE((page == Page::kMain ? window : formantPage).containsRect(c.rect));
            EXPECT_TRUE(seen.insert(c.tag).second);
            EXPECT_EQ(placementOf(c.tag), &c);
            EXPECT_NE(bindingOf(c.tag).action, Action::kNone);
            if (c.kind == ControlKind::kKnob) {
                EXPECT_EQ(c.rect.height, c.bitmap == skin::kKnobLarge ? 44 : 34);
                EXPECT_EQ(bindingOf(c.tag).parameter, c.tag);
            }
        }
    }
    // 21 knobs, 25 displays, 8 step buttons, 4 menus, 8 program buttons and 11 more.
    EXPECT_EQ(pageLayout(Page::kMain).size(), 77u);
    EXPECT_EQ(placementOf(tags::kSetup), nullptr);
    for (std::int32_t tag : {-1, 58, 92, 95, 96, 1000, INT_MIN, INT_MAX}) {
        EXPECT_EQ(bindingOf(tag).action, Action::kNone) << tag;
        EXPECT_EQ(bindingOf(tag).parameter, -1) << tag;
    }
    for (std::int32_t p : {-1, 29, INT_MIN}) {
        EXPECT_EQ(controlTagOf(p), -1);
        EXPECT_EQ(displayTagOf(p), -1);
    }
}

class ControlActionsTest : public ::testing::Test {
  protected:
    testing::HostRecorder host;
    std::unique_ptr<MyVsti> vsti = testing::makeInstrument();
    LearnMode learn;
    ControlActions actions{*vsti, learn};
};

TEST_F(ControlActionsTest, StepButtonsMenusAndProgramButtons) {
    // Step buttons act when pressed and stop at the ends of the range.
    vsti->setParameter(kVoices, 1.0f);
    host.clear();
    EXPECT_EQ(actions.controlChanged(81, 1.0f).tag, kVoices);
    actions.controlChanged(81, 0.0f);
    EXPECT_EQ(vsti->getParameter(kVoices), 1.0f);
    EXPECT_EQ(host.count(vst2::audioMasterAutomate), 0);
    actions.controlChanged(82, 1.0f);
    EXPECT_EQ(testing::display(*vsti, kVoices), "31");
    EXPECT_EQ(host.count(vst2::audioMasterAutomate), 1);
    vsti->setParameter(kOsc2Shape, 0.0f);
    actions.controlChanged(88, 1.0f);
    EXPECT_EQ(vsti->getParameter(kOsc2Shape), 0.0f);

    // "User-defined" keeps 0.26 and opens that slot's formant set; a vowel name opens nothing.
    EXPECT_EQ(actions.controlChanged(74, 26.0f).openFormantPage, 1);
    EXPECT_EQ(vsti->getParameter(kVowel1End), 0.26f);
    EXPECT_EQ(actions.controlChanged(76, 3.0f).openFormantPage, -1);
    EXPECT_EQ(vsti->getParameter(kVowel2End), 0.03f);

    // Alt-click stores the edited program into the slot; a plain click reloads a slot.
    vsti->setParameter(kLevel, 0.25f);
    actions.controlChanged(66, 1.0f, true);
    EXPECT_EQ(vsti->getProgram(), 2);
    EXPECT_EQ(vsti->programSlot(2).value(kLevel), 0.25f);
    vsti->setParameter(kLevel, 0.75f);
    actions.controlChanged(66, 0.0f);
    EXPECT_EQ(vsti->getParameter(kLevel), 0.25f);
    actions.controlChanged(tags::kProgramName, 0.0f, false, nullptr,
                           "A name longer than twenty-four");
    char name[32];
    vsti->getProgramName(name);
    EXPECT_STREQ(name, "A name longer than twent");
}

TEST_F(ControlActionsTest, WindowActionsWaitForReleaseAndLearnTakesParameters) {
    EXPECT_EQ(actions.controlChanged(tags::kLoadPatch, 1.0f).file, FileAction::kNone);
    EXPECT_EQ(actions.controlChanged(tags::kLoadPatch, 0.0f).file, FileAction::kLoadPatch);
    EXPECT_EQ(actions.controlChanged(tags::kLoadTuning, 0.0f).file, FileAction::kLoadTuning);
    EXPECT_FALSE(actions.controlChanged(tags::kCloseFormantPage, 1.0f).closeFormantPage);
    EXPECT_TRUE(actions.controlChanged(tags::kCloseFormantPage, 0.0f).closeFormantPage);
    EXPECT_EQ(actions.controlChanged(-1, 3.0f).tag, -1);

    EXPECT_TRUE(actions.controlChanged(tags::kLearn, 1.0f).redrawAll);
    EXPECT_EQ(actions.controlChanged(kReverbMix, 0.5f).learnTarget, kReverbMix);
    EXPECT_EQ(vsti->learnParameter(), kReverbMix);
    // The XY pad: the morph that moved is sent and learnt; a settings choice sends nothing.
    XYPadModel pad(150, 150);
    pad.beginTrack({146, 4});
    pad.trackPass(MouseButtons{}, {146, 4});
    ControlOutcome moved = actions.controlChanged(tags::kXYPad, 0.0f, false, &pad);
    EXPECT_EQ(moved.learnTarget, kVowel1Morph);
    EXPECT_EQ(vsti->getParameter(kVowel1Morph), 1.0f);
    host.clear();
    pad.beginSettingsReport();
    ControlOutcome chosen = actions.controlChanged(tags::kXYPad, 0.0f, false, &pad);
    EXPECT_TRUE(chosen.settingsChosen);
    EXPECT_EQ(chosen.learnTarget, -1);
    EXPECT_EQ(host.count(vst2::audioMasterAutomate), 0);
    EXPECT_EQ(vsti->learnParameter(), kVowel1Morph);
    pad.endSettingsReport();
    EXPECT_FALSE(pad.settingsChanged());
    actions.controlChanged(tags::kLearn, 0.0f);
    EXPECT_FALSE(learn.on());
}

}  // namespace
}  // namespace sorvella
