// What a frame needs of the window system: its events, the pointer, a way to show the frame's
// backing image, and popup windows for menus. One implementation talks to an X server; the
// headless one draws into memory and plays scripted input, for tests and pictures.
#pragma once

#include <cstdint>
#include <memory>

#include "toolkit/geometry.h"

typedef struct _cairo_surface cairo_surface_t;

namespace sorvella {

// Keys that are not characters. The editor maps a host's forwarded key codes onto these.
enum CVirtualKey : int32_t {
    kVirtNone = 0,
    kVirtBack,
    kVirtTab,
    kVirtReturn,
    kVirtEnter,
    kVirtEscape,
    kVirtDelete,
    kVirtLeft,
    kVirtRight,
    kVirtUp,
    kVirtDown,
    kVirtHome,
    kVirtEnd,
};

struct CKeyEvent {
    uint32_t character = 0;  // a printable character, or 0
    int32_t virt = kVirtNone;
    int32_t modifiers = 0;  // kShift, kControl, kAlt
};

// The pointer in frame coordinates. valid turns false when the window is gone or scripted input
// has run out; every loop that follows the pointer then ends as if the buttons were let go.
struct CPointerState {
    CPoint where;
    int32_t buttons = 0;
    bool valid = true;
};

struct CPlatformEvent {
    enum Type { kMouseDown, kMouseUp, kWheel, kKeyDown, kExpose, kCloseRequest };
    Type type = kExpose;
    CPoint where;
    int32_t buttons = 0;
    float distance = 0.0f;
    CKeyEvent key;
    CRect area;
};

// A borderless window above everything else (a menu), placed in frame coordinates.
class CPlatformPopup {
  public:
    virtual ~CPlatformPopup() = default;
    // Shows the image, which has the popup's size.
    virtual void show(cairo_surface_t* image) = 0;
};

class CPlatformWindow {
  public:
    virtual ~CPlatformWindow() = default;

    // Takes the next pending event without waiting; false when there is none.
    virtual bool nextEvent(CPlatformEvent& event) = 0;
    virtual CPointerState queryPointer() = 0;
    // Copies area of the frame's backing image to the screen.
    virtual void present(cairo_surface_t* backing, const CRect& area) = 0;
    // Waits between two polls of a tracking loop, so loops neither spin nor starve the server.
    virtual void pace(int32_t milliseconds) = 0;
    // The first popup of a menu session grabs the pointer; it is released with the last one.
    virtual std::unique_ptr<CPlatformPopup> createPopup(const CRect& frameRect) = 0;
    // The screen's area in frame coordinates, where popups may be placed.
    virtual CRect screenArea() = 0;
    virtual void takeKeyboardFocus() = 0;
    virtual void releaseKeyboardFocus() = 0;
    // The native window (an X11 Window id), for dialogs that need an owner.
    virtual uintptr_t nativeHandle() const = 0;
};

}  // namespace sorvella
