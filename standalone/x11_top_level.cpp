#include "standalone/x11_top_level.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace sorvella {

namespace {

void setAtomProperty(Display* display, Window window, const char* property, const char* value) {
    const Atom atom = XInternAtom(display, value, False);
    XChangeProperty(display, window, XInternAtom(display, property, False), XA_ATOM, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&atom), 1);
}

}  // namespace

Window createTopLevel(Display* display, const TopLevelOptions& options) {
    const int screen = DefaultScreen(display);
    const Window root = RootWindow(display, screen);
    const auto width = static_cast<unsigned>(std::max(options.width, 1));
    const auto height = static_cast<unsigned>(std::max(options.height, 1));

    int x = 0;
    int y = 0;
    if (options.owner != None) {
        XWindowAttributes owner{};
        Window child = None;
        if (XGetWindowAttributes(display, options.owner, &owner)) {
            XTranslateCoordinates(display, options.owner, root, 0, 0, &x, &y, &child);
            x += (owner.width - static_cast<int>(width)) / 2;
            y += (owner.height - static_cast<int>(height)) / 2;
        }
    }

    XSetWindowAttributes attributes{};
    attributes.background_pixel = options.background;
    attributes.event_mask = StructureNotifyMask | ExposureMask | FocusChangeMask;
    const Window window = XCreateWindow(display, root, std::max(x, 0), std::max(y, 0), width,
                                        height, 0, CopyFromParent, InputOutput, CopyFromParent,
                                        CWBackPixel | CWEventMask, &attributes);

    XStoreName(display, window, options.title);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False), utf8, 8,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(options.title),
                    static_cast<int>(std::strlen(options.title)));

    XClassHint classHint{};
    classHint.res_name = const_cast<char*>(kWindowInstance);
    classHint.res_class = const_cast<char*>(kWindowClass);
    XSetClassHint(display, window, &classHint);

    XSizeHints size{};
    size.flags = PMinSize | PMaxSize;
    size.min_width = size.max_width = static_cast<int>(width);
    size.min_height = size.max_height = static_cast<int>(height);
    if (options.owner != None) {
        size.flags |= PPosition;
        size.x = std::max(x, 0);
        size.y = std::max(y, 0);
    }
    XSetWMNormalHints(display, window, &size);

    XWMHints hints{};
    hints.flags = InputHint | StateHint;
    hints.input = True;
    hints.initial_state = NormalState;
    XSetWMHints(display, window, &hints);

    Atom protocols[] = {XInternAtom(display, "WM_DELETE_WINDOW", False)};
    XSetWMProtocols(display, window, protocols, 1);

    const long pid = static_cast<long>(::getpid());
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);

    if (options.owner != None) {
        XSetTransientForHint(display, window, options.owner);
        setAtomProperty(display, window, "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_DIALOG");
        setAtomProperty(display, window, "_NET_WM_STATE", "_NET_WM_STATE_MODAL");
    } else {
        setAtomProperty(display, window, "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_NORMAL");
    }
    return window;
}

bool isCloseRequest(Display* display, const XEvent& event, Window window) {
    if (event.type != ClientMessage || event.xclient.window != window) return false;
    if (event.xclient.message_type != XInternAtom(display, "WM_PROTOCOLS", False)) return false;
    return static_cast<Atom>(event.xclient.data.l[0]) ==
           XInternAtom(display, "WM_DELETE_WINDOW", False);
}

void raiseTopLevel(Display* display, Window window) {
    XMapRaised(display, window);
    // A window manager that prevents focus stealing honours the EWMH request instead.
    XEvent request{};
    request.xclient.type = ClientMessage;
    request.xclient.window = window;
    request.xclient.message_type = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
    request.xclient.format = 32;
    request.xclient.data.l[0] = 2;  // from a pager-like source: the user asked for it
    request.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, DefaultRootWindow(display), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &request);
    XFlush(display);
}

unsigned long buttonFaceColour(Display* display) {
    XColor colour{};
    colour.red = colour.green = colour.blue = 0xD4D4;
    colour.flags = DoRed | DoGreen | DoBlue;
    const Colormap map = DefaultColormap(display, DefaultScreen(display));
    if (XAllocColor(display, map, &colour)) return colour.pixel;
    return WhitePixel(display, DefaultScreen(display));
}

}  // namespace sorvella
