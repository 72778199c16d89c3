// Real windows on an Xvfb server: a frame opened inside a host's window, driven by synthetic
// input from xdotool (through the XTEST extension), closed, and the host window destroyed first.
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

// Last: Xlib defines macros (None, Bool, Status) that clash with other headers.
#include <X11/Xlib.h>

namespace sorvella {
namespace {

// The host: its own connection and a window at the screen's top-left corner.
class HostWindow {
  public:
    HostWindow() {
        display_ = XOpenDisplay(nullptr);
        if (display_ == nullptr) return;
        XSetWindowAttributes attributes{};
        attributes.override_redirect = True;
        window_ =
            XCreateWindow(display_, DefaultRootWindow(display_), 0, 0, 400, 300, 0, CopyFromParent,
                          InputOutput, CopyFromParent, CWOverrideRedirect, &attributes);
        XMapWindow(display_, window_);
        XSync(display_, False);
    }
    ~HostWindow() {
        if (display_ == nullptr) return;
        destroy();
        XCloseDisplay(display_);
    }
    void destroy() {
        if (display_ == nullptr) return;
        if (window_ != 0) XDestroyWindow(display_, window_);
        XSync(display_, False);
        window_ = 0;
    }
    uintptr_t id() const { return window_; }

  private:
    Display* display_ = nullptr;
    Window window_ = 0;
};

class X11WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string reason;
        bool missing = false;
        if (!server_.start(reason, missing)) {
            if (missing) GTEST_SKIP() << reason;
            FAIL() << reason;
        }
    }
    test::XvfbServer server_;
};

std::string at(int32_t value) {
    return std::to_string(value);
}

TEST_F(X11WindowTest, FrameInAHostWindowFollowsRealClicksDragsMenusAndTyping) {
    HostWindow host;
    ASSERT_NE(host.id(), 0u);
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
    for (CView* view : std::initializer_list<CView*>{knob, onOff, menu, field}) {
        frame.addView(view);
    }
    frame.idle();
    const CRect popup = CMenuSession::popupRect(menu, {20, 112});
    const CRect tenor = CMenuSession::entryRect(menu, popup, 2);
    const int32_t tenorX = (tenor.left + tenor.right) / 2;
    const int32_t tenorY = (tenor.top + tenor.bottom) / 2;

    const int status = test::runXdotool(
        {"mousemove", "40",        "40",       "sleep", "0.2",   "mousedown", "1",         "sleep",
         "0.1",  // knob
         "mousemove", "40",        "30",       "sleep", "0.1",   "mousemove", "40",        "20",
         "sleep",     "0.2",       "mouseup",  "1",     "sleep", "0.1",       "mousemove", "120",
         "30",        "sleep",     "0.1",      "click", "1",     "sleep",     "0.2",  // switch
         "mousemove", "50",        "106",      "sleep", "0.1",   "click",     "1",         "sleep",
         "0.3",  // menu
         "mousemove", at(tenorX),  at(tenorY), "sleep", "0.2",   "click",     "1",         "sleep",
         "0.2",       "mousemove", "280",      "107",   "sleep", "0.1",       "click",     "1",
         "sleep",     "0.2"},  // field
        [&] { frame.idle(); });
    ASSERT_EQ(status, 0) << "xdotool failed";
    // Typing takes the rest of a command line, so it runs on its own.
    ASSERT_EQ(test::runXdotool({"type", "--delay", "20", " Aah"}, [&] { frame.idle(); }), 0);
    ASSERT_EQ(test::runXdotool({"key", "Return"}, [&] { frame.idle(); }), 0);

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

TEST_F(X11WindowTest, SurvivesAHostThatDestroysItsWindowFirstAndEditorsOnTwoThreads) {
    EXPECT_EQ(openX11Window(0x7ffffff0, 100, 100), nullptr);  // not a window

    HostWindow host;
    ASSERT_NE(host.id(), 0u) << "no connection to " << std::getenv("DISPLAY");
    // A second editor opened, idled and closed on a thread of its own meanwhile, on its own
    // connection.
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
    auto window = openX11Window(host.id(), 300, 200);
    ASSERT_NE(window, nullptr);
    CPlatformWindow* platform = window.get();
    auto frame = std::make_unique<CFrame>(CRect(0, 0, 300, 200), std::move(window));
    for (int i = 0; i < 50; ++i) {
        frame->redraw();
        frame->idle();
    }
    other.join();
    EXPECT_EQ(x11ErrorCount(*platform), 0);

    host.destroy();
    frame->idle();  // learns that its window is gone, and draws no more
    frame->redraw();
    frame->idle();
    EXPECT_FALSE(frame->getPointer().valid);
    EXPECT_GT(x11ErrorCount(*platform), 0);
    frame.reset();  // destroying the window again is one more counted error, nothing worse
}

}  // namespace
}  // namespace sorvella
