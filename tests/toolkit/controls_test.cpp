#include <gtest/gtest.h>

#include "tests/toolkit/toolkit_harness.h"
#include "toolkit/buttons.h"
#include "toolkit/menu_session.h"
#include "toolkit/option_menu.h"
#include "toolkit/splash_screen.h"
#include "toolkit/text_edit.h"

namespace sorvella {
namespace {

using test::HeadlessFixture;

CPoint centreOf(const CRect& r) {
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

TEST(Buttons, OnOffTogglesAndKickFollowsThePointer) {
    HeadlessFixture fixture;
    auto* onOff = new COnOffButton({10, 10, 30, 20}, &fixture.listener, 1, nullptr);
    auto* kick = new CKickButton({50, 10, 70, 20}, &fixture.listener, 2, 10, nullptr);
    fixture.frame->addView(onOff);
    fixture.frame->addView(kick);
    fixture.run(CHeadlessWindow::click({15, 15}));
    fixture.run(CHeadlessWindow::click({15, 15}));
    EXPECT_EQ(fixture.listener.values(), (std::vector<float>{1.0f, 0.0f}));

    fixture.listener.reports.clear();
    // Pressed, dragged off and back on, let go: 1, 0, 1, and 0 on release.
    fixture.run({{{55, 15}, kLButton, true},
                 {{90, 15}, kLButton, true},
                 {{90, 15}, kLButton, true},
                 {{60, 12}, kLButton, true},
                 {{60, 12}, 0, true}});
    EXPECT_EQ(fixture.listener.values(), (std::vector<float>{1.0f, 0.0f, 1.0f, 0.0f}));
    // Let go outside: the release still reports 0.
    fixture.listener.reports.clear();
    fixture.run({{{55, 15}, kLButton, true}, {{90, 15}, kLButton, true}, {{90, 15}, 0, true}});
    EXPECT_EQ(fixture.listener.values(), (std::vector<float>{1.0f, 0.0f, 0.0f}));
    EXPECT_EQ(fixture.listener.edits.size(), 8u);
    EXPECT_TRUE(fixture.listener.editsPaired());
}

struct MenuFixture : HeadlessFixture {
    MenuFixture() {
        menu = new COptionMenu({10, 10, 100, 22}, &listener, 73);
        for (const char* entry : {"Bass A", "Bass E", "-", "User-defined"})
            menu->addEntry(entry);
        frame->addView(menu);
        popup = CMenuSession::popupRect(menu, {10, 22});
    }
    CPoint entry(int32_t index) const {
        return centreOf(CMenuSession::entryRect(menu, popup, index));
    }
    COptionMenu* menu;
    CRect popup;
};

TEST(OptionMenu, ChoosesByDragOrKeysAndNeverASeparator) {
    MenuFixture fixture;
    // Press, drag onto the separator and let go there: nothing is chosen and the menu stays
    // open; a click outside closes it. (The real-window test clicks an entry.)
    fixture.run({{{20, 15}, kLButton, true},
                 {fixture.entry(2), kLButton, true},
                 {fixture.entry(2), 0, true},
                 {{250, 150}, kLButton, true},
                 {{250, 150}, 0, true}});
    EXPECT_TRUE(fixture.listener.reports.empty());
    EXPECT_EQ(fixture.menu->getCurrent(), 0);
    EXPECT_EQ(fixture.menu->getLastResult(), -1);
    EXPECT_EQ(fixture.window->openPopupCount(), 0);

    // Press-drag-release on an entry chooses it.
    fixture.run({{{20, 15}, kLButton, true},
                 {fixture.entry(1), kLButton, true},
                 {fixture.entry(1), 0, true}});
    EXPECT_EQ(fixture.menu->getCurrent(), 1);
    EXPECT_EQ(fixture.menu->displayText(), "Bass E");
    EXPECT_EQ(fixture.listener.values(), (std::vector<float>{1.0f}));  // reported once

    // From the keyboard: Down three times passes over the separator; Return chooses.
    fixture.window->press(CHeadlessWindow::click({20, 15}));
    for (int32_t key : {kVirtDown, kVirtDown, kVirtDown, kVirtUp, kVirtDown, kVirtReturn}) {
        fixture.window->typeKey(key);
    }
    fixture.frame->idle();
    EXPECT_EQ(fixture.menu->getCurrent(), 3);
    EXPECT_EQ(fixture.window->openPopupCount(), 0);

    // Values select entry trunc(value); indices outside the entries are ignored.
    fixture.menu->setValue(3.99f);
    EXPECT_EQ(fixture.menu->getCurrent(), 3);
    fixture.menu->setValue(4.0f);
    fixture.menu->setValue(-1.0f);
    EXPECT_EQ(fixture.menu->getCurrent(), 3);
    EXPECT_TRUE(fixture.listener.editsPaired());
}

TEST(TextEdit, EditsWithinItsLimitAndReportsWhenEditingEnds) {
    HeadlessFixture fixture;
    auto* field = new CTextEdit({10, 10, 160, 22}, &fixture.listener, 59, "Init");
    field->setMaxLength(24);
    fixture.frame->addView(field);

    fixture.run(CHeadlessWindow::click({150, 15}));
    EXPECT_TRUE(field->isEditing());
    EXPECT_TRUE(fixture.window->hasKeyboardFocus());
    fixture.window->typeKey(kVirtBack);
    fixture.window->typeText(std::string(" choir\a pad that is far too long"));
    fixture.window->typeKey(kVirtReturn);
    fixture.frame->idle();
    EXPECT_EQ(field->getText(), "Ini choir pad that is fa");  // 24 characters, no bell
    EXPECT_FALSE(field->isEditing());
    EXPECT_FALSE(fixture.window->hasKeyboardFocus());
    ASSERT_EQ(fixture.listener.reports.size(), 1u);

    // Escape puts the old text back without a report.
    fixture.run(CHeadlessWindow::click({15, 15}));
    fixture.window->typeText("xyz");
    fixture.window->typeKey(kVirtEscape);
    fixture.frame->idle();
    EXPECT_EQ(field->getText(), "Ini choir pad that is fa");
    EXPECT_EQ(fixture.listener.reports.size(), 1u);

    // A click elsewhere ends editing and reports; the caret went where the first click was.
    fixture.run(CHeadlessWindow::click({12, 15}));
    fixture.window->typeText("A");
    fixture.frame->idle();
    fixture.run(CHeadlessWindow::click({200, 100}));
    EXPECT_FALSE(field->isEditing());
    EXPECT_FALSE(fixture.window->hasKeyboardFocus());
    EXPECT_EQ(field->getText(), "Ini choir pad that is fa");  // full: the A did not fit
    EXPECT_EQ(fixture.listener.reports.size(), 2u);
    EXPECT_TRUE(fixture.listener.editsPaired());
}

TEST(SplashScreen, OpensAsModalPanelAndClosesOnTheNextClick) {
    HeadlessFixture fixture;
    CBitmap* panel = test::makeFilm(1, 237, 63);
    auto* splash =
        new CSplashScreen({12, 20, 235, 50}, &fixture.listener, 78, panel, {0, 0, 237, 63});
    panel->forget();
    fixture.frame->addView(splash);
    fixture.run(CHeadlessWindow::click({100, 30}));
    EXPECT_EQ(splash->getValue(), 1.0f);
    EXPECT_EQ(fixture.frame->getModalView(), splash);
    EXPECT_EQ(splash->getViewSize(), CRect(0, 0, 237, 63));
    fixture.run(CHeadlessWindow::click({5, 5}));
    EXPECT_EQ(splash->getValue(), 0.0f);
    EXPECT_EQ(fixture.frame->getModalView(), nullptr);
    EXPECT_EQ(splash->getViewSize(), CRect(12, 20, 235, 50));
    EXPECT_EQ(fixture.listener.reports.size(), 1u);
}

}  // namespace
}  // namespace sorvella
