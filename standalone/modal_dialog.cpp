#include "standalone/modal_dialog.h"

#include "standalone/x11_top_level.h"
#include "toolkit/x11_window.h"

namespace sorvella {

namespace {

constexpr std::chrono::milliseconds kDialogIdle{50};

}  // namespace

std::unique_ptr<ModalDialog> ModalDialog::open(Window owner, const char* title, std::int32_t width,
                                               std::int32_t height) {
    // A connection of its own: the dialog's events never mix with the main window's.
    Display* display = XOpenDisplay(nullptr);
    if (!display) return nullptr;
    TopLevelOptions options;
    options.title = title;
    options.width = width;
    options.height = height;
    options.owner = owner;
    options.background = buttonFaceColour(display);
    const Window outer = createTopLevel(display, options);
    XSync(display, False);
    std::unique_ptr<CPlatformWindow> platform = openX11Window(outer, width, height);
    if (!platform) {
        XDestroyWindow(display, outer);
        XCloseDisplay(display);
        return nullptr;
    }
    auto frame = std::make_unique<CFrame>(CRect(0, 0, width, height), std::move(platform));
    frame->setBackgroundColor({212, 212, 212, 255});
    return std::unique_ptr<ModalDialog>(new ModalDialog(display, outer, std::move(frame)));
}

ModalDialog::ModalDialog(Display* display, Window outer, std::unique_ptr<CFrame> frame)
    : display_(display), outer_(outer), frame_(std::move(frame)) {}

ModalDialog::~ModalDialog() {
    // The frame's window lives inside the outer one: it goes first.
    frame_.reset();
    XDestroyWindow(display_, outer_);
    XSync(display_, False);
    XCloseDisplay(display_);
}

bool ModalDialog::run(MainLoop& loop, const std::function<void()>& ownerIdle) {
    loop_ = &loop;
    ok_ = false;
    XMapRaised(display_, outer_);
    XFlush(display_);
    const int frameFd = x11ConnectionNumber(*frame_->platform());
    loop.watch(ConnectionNumber(display_), [this] { pumpOwnEvents(); });
    loop.watch(frameFd, [this] { frame_->idle(); });
    // A press on a control runs to its release inside idle; what Xlib read meanwhile is taken
    // by the next pass, so the loop also wakes on a short period.
    int ticks = 0;
    loop.setTimer(kDialogIdle, [&] {
        frame_->idle();
        if (++ticks % 2 == 0 && ownerIdle) ownerIdle();
    });
    frame_->redraw();
    loop.run();
    loop.unwatch(ConnectionNumber(display_));
    loop.unwatch(frameFd);
    loop_ = nullptr;
    XUnmapWindow(display_, outer_);
    XFlush(display_);
    return ok_;
}

void ModalDialog::end(bool ok) {
    ok_ = ok;
    if (loop_) loop_->quit(0);
}

void ModalDialog::pumpOwnEvents() {
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (isCloseRequest(display_, event, outer_)) end(false);
    }
}

}  // namespace sorvella
