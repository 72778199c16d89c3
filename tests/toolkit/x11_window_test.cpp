// Real windows on an Xvfb server: a frame opened inside a host's window beside one on another
// thread, driven by synthetic input from xdotool (through the XTEST extension). The editor's
// window test has the host destroy its window first.
#include <gtest/gtest.h>

#include <thread>

#include "tests/toolkit/toolkit_harness.h"
#include "tests/toolkit/xvfb_server.h"
#include "toolkit/buttons.h"
#include "toolkit/inertial_anim_knob.h"
#include "toolkit/menu_session.h"
#include "toolkit/option_menu.h"
#include "toolkit/text_edit.h"
#include "toolkit/x11_window.h"

namespace sorvella {
namespace {

using X11WindowTest = test::XvfbTest;

TEST_F(X11WindowTest, FrameInAHostWindowFollowsRealInputWhileAnotherThreadOpensOne) {
    EXPECT_EQ(openX11Window(0x7ffffff0, 100, 100), nullptr);  // not a window
    test::HostWindow host(400, 300);
    ASSERT_NE(host.id(), 0u) << "no connection to " << std::getenv("DISPLAY");
    auto window = openX11Window(host.id(), 300, 200);
    ASSERT_NE(window, nullptr);
    CPlatformWindow* platform = window.get();
    test::RecordingListener listener;
    CFrame frame({0, 0, 300, 200}, std::move(window), &listener);
    auto* knob = new CInertialAnimKnob({20, 20, 60, 60}, &listener, 1, 81, 40, nullptr);
    auto* onOff = new COnOffButton({100, 20, 140, 40}, &listener, 2, nullptr);
    auto* menu = new COptionMenu({20, 100, 120, 112}, &listener, 3);
    for (const char* entry : {"Bass A", "-", "Tenor O", "Soprano U"})
        menu->addEntry(entry);
    auto* field = new CTextEdit({150, 100, 290, 114}, &listener, 4, "Choir");
    for (CView* view : std::initializer_list<CView*>{knob, onOff, menu, field})
        frame.addView(view);
    // A second editor opened, idled and closed meanwhile on a thread and a connection of its own.
    std::thread other([parent = host.id()] {
        auto window = openX11Window(parent, 100, 80);
        ASSERT_NE(window, nullptr);
        CFrame frame({0, 0, 100, 80}, std::move(window));
        frame.addView(new CKnob({10, 10, 40, 40}, nullptr, 0));
        for (int i = 0; i < 50; ++i) {
            frame.redraw();
            frame.idle();
        }
    });
    for (int i = 0; i < 50; ++i) {
        frame.redraw();
        frame.idle();
    }
    other.join();
    const CRect popup = CMenuSession::popupRect(menu, {20, 112});
    const CRect entry = CMenuSession::entryRect(menu, popup, 2);
    const std::string tenor = std::to_string((entry.left + entry.right) / 2) + " " +
                              std::to_string((entry.top + entry.bottom) / 2);
    // Drag the knob up, click the switch, choose "Tenor O", click into the field, type.
    const int status = test::runXdotool(
        "mousemove 40 40 sleep 0.2 mousedown 1 sleep 0.1 mousemove 40 30 sleep 0.1 "
        "mousemove 40 20 sleep 0.2 mouseup 1 sleep 0.1 mousemove 120 30 sleep 0.1 click 1 "
        "sleep 0.2 mousemove 50 106 sleep 0.1 click 1 sleep 0.3 mousemove " +
            tenor +
            " sleep 0.2 click 1 sleep 0.2 mousemove 280 107 sleep 0.1 click 1 sleep 0.2 "
            "key --delay 20 space shift+a a h Return",
        [&] { frame.idle(); });
    ASSERT_EQ(status, 0) << "xdotool failed";

    EXPECT_NEAR(knob->getValue(), 0.1f, 1e-5f);  // 20 pixels up of 200
    EXPECT_EQ(onOff->getValue(), 1.0f);
    EXPECT_EQ(menu->getCurrent(), 2);
    EXPECT_EQ(field->getText(), "Choir Aah");
    EXPECT_FALSE(field->isEditing());
    EXPECT_TRUE(listener.editsPaired());
    // Knob, switch, menu and field each began and ended once.
    EXPECT_EQ(listener.edits.size(), 8u);
    EXPECT_EQ(x11ErrorCount(*platform), 0);
}
}  // namespace
}  // namespace sorvella
