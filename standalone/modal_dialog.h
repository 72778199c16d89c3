// A dialog window of the program: a top-level window of its own, transient for its owner, with a
// toolkit frame filling it, run modally in a poll() loop that the owner also serves (so the main
// window keeps drawing and its editor keeps its idle while the dialog is up).
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <functional>
#include <memory>

#include "standalone/main_loop.h"
#include "toolkit/frame.h"

namespace sorvella {

class ModalDialog {
  public:
    // None when no window can be made (no display).
    static std::unique_ptr<ModalDialog> open(Window owner, const char* title, std::int32_t width,
                                             std::int32_t height);
    ~ModalDialog();
    ModalDialog(const ModalDialog&) = delete;
    ModalDialog& operator=(const ModalDialog&) = delete;

    // The frame to put the dialog's views into.
    CFrame& frame() { return *frame_; }
    Window window() const { return outer_; }

    // Shows the dialog and runs loop (which the caller has given the owner's descriptors) until
    // end() or a close request from the window manager, which cancels; ownerIdle runs every
    // 100 ms meanwhile. True when ended with OK.
    bool run(MainLoop& loop, const std::function<void()>& ownerIdle);
    void end(bool ok);

  private:
    ModalDialog(Display* display, Window outer, std::unique_ptr<CFrame> frame);
    void pumpOwnEvents();

    Display* display_;
    Window outer_;
    std::unique_ptr<CFrame> frame_;
    MainLoop* loop_ = nullptr;
    bool ok_ = false;
};

}  // namespace sorvella
