#include <gtest/gtest.h>

#include "core/my_vsti.h"
#include "editor/editor_menus.h"
#include "editor/value_displays.h"
#include "editor/xy_pad_model.h"
#include "support/test_host.h"

namespace sorvella {
namespace {

constexpr MouseButtons kLeft{true, false, false, false, false};
constexpr MouseButtons kLeftCtrl{true, false, false, true, false};
constexpr MouseButtons kUp{};

// Runs the pad's tracking loop the way the control does, with the pointer at `to` from the second
// poll on and the button let go after `held` polls; answers the reports made.
int track(XYPadModel& pad, PixelPoint from, PixelPoint to, int held, MouseButtons down = kLeft) {
    int reports = 0;
    pad.beginTrack(from);
    for (int poll = 0; pad.tracking(); ++poll) {
        if (pad.trackPass(poll < held ? down : kUp, poll == 0 ? from : to)) ++reports;
    }
    return reports;
}

TEST(XYPad, GlidesFollowTheInertiaSetting) {
    XYPadModel pad(150, 150);
    // "off": a click jumps to the pointer in one step.
    EXPECT_EQ(track(pad, {75, 146}, {75, 146}, 1), 1);
    EXPECT_EQ(pad.x(), 0.5f);
    EXPECT_EQ(pad.y(), 1.0f);
    EXPECT_TRUE(pad.changedX() && pad.changedY());
    // "full": 128 steps, completed after the button is let go; a glide of one axis changes only it.
    pad.setInertia(5);
    EXPECT_EQ(track(pad, {146, 146}, {146, 146}, 3), 128);
    EXPECT_NEAR(pad.x(), 1.0f, 1e-5f);
    EXPECT_TRUE(pad.changedX());
    EXPECT_FALSE(pad.changedY());
    XYPadReport r = pad.report();
    EXPECT_TRUE(r.sendX && !r.sendY);
    EXPECT_EQ(r.learnTarget, kVowel1Morph);
    // Ctrl-click glides to the centre and ends although the button stays down.
    pad.setInertia(2);
    EXPECT_EQ(track(pad, pad.centre(), {10, 10}, 1000, kLeftCtrl), 32);
    EXPECT_NEAR(pad.x(), 0.5f, 1e-5f);
    EXPECT_NEAR(pad.y(), 0.5f, 1e-5f);
}

TEST(ValueDisplays, TextsAndMidiLearn) {
    testing::HostRecorder host;
    auto vsti = testing::makeInstrument();
    char text[32];
    const auto shown = [&](std::int32_t p, bool learn) {
        valueDisplayText(*vsti, p, learn, text, sizeof text);
        return std::string(text);
    };
    vsti->setParameter(kMixBreath, 0.5f);
    vsti->setParameter(kVoices, 0.0f);
    EXPECT_EQ(shown(kMixBreath, false), "50%");
    EXPECT_EQ(shown(kVoices, false), "01 ");
    EXPECT_EQ(shown(kLevel, true), "[ 07 ]");
    EXPECT_EQ(shown(kUnisonNotes, true), "[ --- ]");
    valueDisplayText(*vsti, kLevel, true, text, 4);
    EXPECT_STREQ(text, "[ 0");
    valueDisplayText(*vsti, 29, false, text, sizeof text);
    EXPECT_STREQ(text, "");

    // Displays react to clicks in learn mode only; the switch shows the mode.
    LearnMode learn;
    const std::int32_t mixDisplay = tags::displayOf(kMixBreath);
    EXPECT_FALSE(learn.clickDisplay(*vsti, mixDisplay, kLeft).any());
    EXPECT_EQ(learn.setOn(*vsti, true).count(), 25u);
    EXPECT_EQ(learn.switchValue(), 1.0f);
    EXPECT_TRUE(learn.clickDisplay(*vsti, mixDisplay, kLeft).any());
    EXPECT_EQ(shown(kMixBreath, true), "[ ??? ]");
    EXPECT_FALSE(learn.clickDisplay(*vsti, tags::kXYPad, kLeft).any());

    // Learn completes on the audio thread (the window test sees the display redrawn).
    testing::sendMidi(*vsti, 0, 0xB0, 20, 64);
    std::vector<float> left, right;
    testing::render(*vsti, left, right, 64);
    EXPECT_EQ(shown(kMixBreath, true), "[ 20 ]");
    // A right click clears the controller.
    learn.clickDisplay(*vsti, tags::displayOf(kLevel), MouseButtons{false, true});
    EXPECT_EQ(shown(kLevel, true), "[ --- ]");
    learn.setOn(*vsti, false);
    EXPECT_EQ(learn.switchValue(), 0.0f);
}

TEST(EditorSettings, StoredValuesOutsideTheirMenusReadAsDefaults) {
    auto vsti = testing::makeInstrument();
    SettingsKey& settings = vsti->settings();
    saveEditorSettings(settings, {3, 5, true});
    EXPECT_EQ(loadEditorSettings(settings), (EditorSettings{3, 5, true}));
    settings.setInt("XYInertia", 9);
    settings.setInt("KnobsInertia", -1);
    settings.setInt("KnobsMode", 7);
    EXPECT_EQ(loadEditorSettings(settings), (EditorSettings{0, 0, true}));
    EXPECT_EQ(settingsFromMenus(2, 6, 0), (EditorSettings{2, 0, false}));
}

}  // namespace
}  // namespace sorvella
