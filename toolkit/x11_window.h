// Windows on an X server, through Xlib. Each window has an X connection of its own, opened and
// used only on the thread that creates the window; nothing here relies on XInitThreads. An X error
// on one of these connections is counted, never fatal (a host may destroy the parent window
// before it closes the editor).
#pragma once

#include <cstdint>
#include <memory>

#include "toolkit/platform_window.h"

namespace sorvella {

// A window of the given size inside parent (an X11 Window id; a host's editor window), or a
// top-level window with a title when parent is 0. None when there is no display or the parent is
// not a window.
std::unique_ptr<CPlatformWindow> openX11Window(uintptr_t parent, int32_t width, int32_t height,
                                               const char* title = nullptr);

// X errors counted on the connection of a window made by openX11Window.
int32_t x11ErrorCount(const CPlatformWindow& window);

// The descriptor of that window's X connection, for a poll() loop that calls the frame's idle when
// it is readable; -1 for a window of another kind.
int x11ConnectionNumber(const CPlatformWindow& window);

}  // namespace sorvella
