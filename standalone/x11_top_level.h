// The program's own top-level X windows (the main window and the dialogs' outer windows): what a
// window manager reads from them, set before they are first mapped.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>

namespace sorvella {

inline constexpr const char* kWindowClass = "Sorvella";
inline constexpr const char* kWindowInstance = "sorvella-standalone";

struct TopLevelOptions {
    const char* title = "Sorvella";
    std::int32_t width = 0;
    std::int32_t height = 0;
    // A dialog is transient for its owner and placed over the owner's centre.
    Window owner = None;
    unsigned long background = 0;
};

// An unmapped top-level window of a fixed size (minimum = maximum size), with its title, the
// class "Sorvella", the process id, and closing through WM_DELETE_WINDOW. The events selected are
// structure changes, exposure and focus changes.
Window createTopLevel(Display* display, const TopLevelOptions& options);

// Whether an event is the window manager's request to close window.
bool isCloseRequest(Display* display, const XEvent& event, Window window);

// Maps the window and asks the window manager to bring it to the front and give it the focus.
void raiseTopLevel(Display* display, Window window);

// A grey of the system's button faces, as the window background.
unsigned long buttonFaceColour(Display* display);

}  // namespace sorvella
