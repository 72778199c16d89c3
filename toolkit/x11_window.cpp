#include "toolkit/x11_window.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <cairo-xlib.h>
#include <cairo.h>

#include <algorithm>
#include <atomic>
#include <cassert>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace sorvella {
namespace {

// The error handler is one per process, while connections are one per window: the handler counts
// errors on our connections and passes others on to the handler it replaced.
struct ErrorRegistry {
    std::mutex lock;
    std::vector<std::pair<Display*, std::atomic<int32_t>*>> displays;
    XErrorHandler previous = nullptr;
};

ErrorRegistry& errorRegistry() {
    static ErrorRegistry registry;
    return registry;
}

int recordError(Display* display, XErrorEvent* error) {
    ErrorRegistry& registry = errorRegistry();
    XErrorHandler previous = nullptr;
    {
        std::lock_guard<std::mutex> hold(registry.lock);
        for (auto& [known, count] : registry.displays) {
            if (known == display) {
                count->fetch_add(1);
                return 0;
            }
        }
        previous = registry.previous;
    }
    return previous != nullptr ? previous(display, error) : 0;
}

void watchDisplay(Display* display, std::atomic<int32_t>* count) {
    ErrorRegistry& registry = errorRegistry();
    std::lock_guard<std::mutex> hold(registry.lock);
    if (registry.displays.empty()) {
        XErrorHandler replaced = XSetErrorHandler(recordError);
        if (replaced != recordError) registry.previous = replaced;
    }
    registry.displays.emplace_back(display, count);
}

void unwatchDisplay(Display* display) {
    ErrorRegistry& registry = errorRegistry();
    std::lock_guard<std::mutex> hold(registry.lock);
    auto& list = registry.displays;
    list.erase(std::remove_if(list.begin(), list.end(),
                              [display](const auto& entry) { return entry.first == display; }),
               list.end());
    if (list.empty()) {
        // Give the process its handler back, unless someone installed another one after ours.
        XErrorHandler current = XSetErrorHandler(registry.previous);
        if (current != recordError) XSetErrorHandler(current);
        registry.previous = nullptr;
    }
}

int32_t buttonsFromState(unsigned int state) {
    int32_t buttons = 0;
    if (state & Button1Mask) buttons |= kLButton;
    if (state & Button2Mask) buttons |= kMButton;
    if (state & Button3Mask) buttons |= kRButton;
    if (state & ShiftMask) buttons |= kShift;
    if (state & ControlMask) buttons |= kControl;
    // Alt is Mod1 on most keyboards; Mod5 is offered too, since window managers often keep
    // Mod1-drag for moving windows and AltGr usually sits on Mod5.
    if (state & (Mod1Mask | Mod5Mask)) buttons |= kAlt;
    return buttons;
}

int32_t virtualKey(KeySym sym) {
    switch (sym) {
        case XK_BackSpace:
            return kVirtBack;
        case XK_Tab:
            return kVirtTab;
        case XK_Return:
            return kVirtReturn;
        case XK_KP_Enter:
            return kVirtEnter;
        case XK_Escape:
            return kVirtEscape;
        case XK_Delete:
            return kVirtDelete;
        case XK_Left:
            return kVirtLeft;
        case XK_Right:
            return kVirtRight;
        case XK_Up:
            return kVirtUp;
        case XK_Down:
            return kVirtDown;
        case XK_Home:
            return kVirtHome;
        case XK_End:
            return kVirtEnd;
        default:
            return kVirtNone;
    }
}

class X11Window;

class X11Popup : public CPlatformPopup {
  public:
    X11Popup(X11Window& owner, Window window, cairo_surface_t* surface, const CRect& rect)
        : owner_(owner), window_(window), surface_(surface), rect_(rect) {}
    ~X11Popup() override;

    void show(cairo_surface_t* image) override;
    void repaint();
    Window window() const { return window_; }

  private:
    X11Window& owner_;
    Window window_;
    cairo_surface_t* surface_;
    cairo_surface_t* image_ = nullptr;
    CRect rect_;
};

class X11Window : public CPlatformWindow {
  public:
    X11Window(Display* display, Window window, int32_t width, int32_t height)
        : display_(display), window_(window), owner_(std::this_thread::get_id()) {
        surface_ = cairo_xlib_surface_create(
            display, window, DefaultVisual(display, DefaultScreen(display)), width, height);
        deleteAtom_ = XInternAtom(display, "WM_DELETE_WINDOW", False);
    }

    ~X11Window() override {
        // Cairo keeps per-connection state; it is let go before the connection closes.
        cairo_device_t* device = cairo_device_reference(cairo_surface_get_device(surface_));
        cairo_surface_destroy(surface_);
        cairo_device_finish(device);
        cairo_device_destroy(device);
        // The parent may be gone already, and this window with it; the error is only counted.
        XDestroyWindow(display_, window_);
        XSync(display_, False);
        unwatchDisplay(display_);
        XCloseDisplay(display_);
    }

    std::atomic<int32_t>& errors() { return errors_; }
    Display* display() const { return display_; }

    bool nextEvent(CPlatformEvent& event) override {
        assert(std::this_thread::get_id() == owner_);
        while (XPending(display_) > 0) {
            XEvent x;
            XNextEvent(display_, &x);
            if (translate(x, event)) return true;
        }
        return false;
    }

    CPointerState queryPointer() override {
        Window root = 0;
        Window child = 0;
        int rootX = 0;
        int rootY = 0;
        int x = 0;
        int y = 0;
        unsigned int state = 0;
        const int32_t errorsBefore = errors_.load();
        const Bool same =
            XQueryPointer(display_, window_, &root, &child, &rootX, &rootY, &x, &y, &state);
        if (errors_.load() != errorsBefore) return {{x, y}, 0, false};
        if (!same) return {{x, y}, 0, true};
        return {{x, y}, buttonsFromState(state), true};
    }

    void present(cairo_surface_t* backing, const CRect& area) override {
        // Drawing into a destroyed window only makes errors (and costs cairo memory).
        if (gone_) return;
        cairo_t* cr = cairo_create(surface_);
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_set_source_surface(cr, backing, 0, 0);
        cairo_rectangle(cr, area.left, area.top, area.width(), area.height());
        cairo_fill(cr);
        cairo_destroy(cr);
        cairo_surface_flush(surface_);
        XFlush(display_);
    }

    void pace(int32_t milliseconds) override {
        XFlush(display_);
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }

    std::unique_ptr<CPlatformPopup> createPopup(const CRect& frameRect) override {
        const CPoint origin = rootOrigin();
        XSetWindowAttributes attributes{};
        attributes.override_redirect = True;
        attributes.save_under = True;
        attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | KeyPressMask;
        const int screen = DefaultScreen(display_);
        Window popup = XCreateWindow(
            display_, RootWindow(display_, screen), frameRect.left + origin.h,
            frameRect.top + origin.v, static_cast<unsigned>(std::max(frameRect.width(), 1)),
            static_cast<unsigned>(std::max(frameRect.height(), 1)), 0, CopyFromParent, InputOutput,
            CopyFromParent, CWOverrideRedirect | CWSaveUnder | CWEventMask, &attributes);
        XMapRaised(display_, popup);
        if (popups_.empty()) {
            XGrabPointer(display_, popup, False,
                         ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
                         GrabModeAsync, None, None, CurrentTime);
            XGrabKeyboard(display_, popup, False, GrabModeAsync, GrabModeAsync, CurrentTime);
        }
        cairo_surface_t* surface =
            cairo_xlib_surface_create(display_, popup, DefaultVisual(display_, screen),
                                      frameRect.width(), frameRect.height());
        auto made = std::make_unique<X11Popup>(*this, popup, surface, frameRect);
        popups_.push_back(made.get());
        return made;
    }

    void popupGone(X11Popup* popup) {
        popups_.erase(std::remove(popups_.begin(), popups_.end(), popup), popups_.end());
        if (popups_.empty()) {
            XUngrabPointer(display_, CurrentTime);
            XUngrabKeyboard(display_, CurrentTime);
        }
        XFlush(display_);
    }

    CRect screenArea() override {
        const CPoint origin = rootOrigin();
        const int screen = DefaultScreen(display_);
        return CRect(0, 0, DisplayWidth(display_, screen), DisplayHeight(display_, screen))
            .offset(-origin.h, -origin.v);
    }

    void takeKeyboardFocus() override {
        int revert = 0;
        XGetInputFocus(display_, &previousFocus_, &revert);
        XSetInputFocus(display_, window_, RevertToParent, CurrentTime);
        XFlush(display_);
    }

    void releaseKeyboardFocus() override {
        if (previousFocus_ != None && previousFocus_ != window_) {
            XSetInputFocus(display_, previousFocus_, RevertToParent, CurrentTime);
        } else {
            XSetInputFocus(display_, PointerRoot, RevertToPointerRoot, CurrentTime);
        }
        previousFocus_ = None;
        XFlush(display_);
    }

    uintptr_t nativeHandle() const override { return window_; }

  private:
    CPoint rootOrigin() {
        Window child = 0;
        int x = 0;
        int y = 0;
        XTranslateCoordinates(display_, window_, DefaultRootWindow(display_), 0, 0, &x, &y, &child);
        return {x, y};
    }

    bool translate(const XEvent& x, CPlatformEvent& event) {
        CPoint popupOffset;
        if (x.xany.window != window_) {
            // A popup's window: it repaints itself; its clicks and keys (it holds the grabs) are
            // the frame's, in frame coordinates.
            bool ours = false;
            for (X11Popup* popup : popups_) {
                if (popup->window() != x.xany.window) continue;
                ours = true;
                if (x.type == Expose) popup->repaint();
            }
            if (!ours || (x.type != ButtonPress && x.type != ButtonRelease && x.type != KeyPress)) {
                return false;
            }
            const CPoint origin = rootOrigin();
            if (x.type != KeyPress) {
                popupOffset = {x.xbutton.x_root - origin.h - x.xbutton.x,
                               x.xbutton.y_root - origin.v - x.xbutton.y};
            }
        }
        switch (x.type) {
            case Expose:
                event.type = CPlatformEvent::kExpose;
                event.area =
                    CRect::fromSize(x.xexpose.x, x.xexpose.y, x.xexpose.width, x.xexpose.height);
                return true;
            case ButtonPress: {
                event.where = {x.xbutton.x + popupOffset.h, x.xbutton.y + popupOffset.v};
                const unsigned int button = x.xbutton.button;
                if (button == Button4 || button == Button5) {
                    event.type = CPlatformEvent::kWheel;
                    event.distance = button == Button4 ? 1.0f : -1.0f;
                    return true;
                }
                if (button > Button3) return false;
                event.type = CPlatformEvent::kMouseDown;
                const int32_t pressed[] = {0, kLButton, kMButton, kRButton};
                // The state holds the buttons that were down before this one.
                event.buttons =
                    (buttonsFromState(x.xbutton.state) & ~kButtonMask) | pressed[button];
                return true;
            }
            case ButtonRelease:
                event.type = CPlatformEvent::kMouseUp;
                event.where = {x.xbutton.x + popupOffset.h, x.xbutton.y + popupOffset.v};
                return true;
            case KeyPress: {
                XKeyEvent key = x.xkey;
                char text[8] = {};
                KeySym sym = 0;
                const int length = XLookupString(&key, text, sizeof text, &sym, nullptr);
                event.type = CPlatformEvent::kKeyDown;
                event.key = {};
                event.key.virt = virtualKey(sym);
                if (event.key.virt == kVirtNone && length == 1) {
                    event.key.character = static_cast<unsigned char>(text[0]);
                }
                event.key.modifiers = buttonsFromState(key.state) & ~kButtonMask;
                return event.key.virt != kVirtNone || event.key.character != 0;
            }
            case DestroyNotify:
                // The host destroyed the parent, and this window with it.
                if (x.xdestroywindow.window == window_) gone_ = true;
                return false;
            case ClientMessage:
                if (static_cast<Atom>(x.xclient.data.l[0]) != deleteAtom_) return false;
                event.type = CPlatformEvent::kCloseRequest;
                return true;
            default:
                return false;
        }
    }

    Display* display_;
    Window window_;
    cairo_surface_t* surface_ = nullptr;
    std::atomic<int32_t> errors_{0};
    std::vector<X11Popup*> popups_;
    Window previousFocus_ = None;
    Atom deleteAtom_ = None;
    bool gone_ = false;
    std::thread::id owner_;
};

X11Popup::~X11Popup() {
    if (image_ != nullptr) cairo_surface_destroy(image_);
    cairo_surface_destroy(surface_);
    XDestroyWindow(owner_.display(), window_);
    owner_.popupGone(this);
}

void X11Popup::show(cairo_surface_t* image) {
    if (image_ != nullptr) cairo_surface_destroy(image_);
    image_ = cairo_surface_reference(image);
    repaint();
}

void X11Popup::repaint() {
    if (image_ == nullptr) return;
    cairo_t* cr = cairo_create(surface_);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, image_, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface_);
    XFlush(owner_.display());
}

}  // namespace

std::unique_ptr<CPlatformWindow> openX11Window(uintptr_t parent, int32_t width, int32_t height,
                                               const char* title) {
    if (width <= 0 || height <= 0) return nullptr;
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return nullptr;
    auto errors = std::make_unique<std::atomic<int32_t>>(0);
    watchDisplay(display, errors.get());
    const int screen = DefaultScreen(display);
    const Window parentWindow =
        parent != 0 ? static_cast<Window>(parent) : RootWindow(display, screen);
    XSetWindowAttributes attributes{};
    attributes.background_pixmap = None;
    attributes.event_mask =
        ExposureMask | ButtonPressMask | ButtonReleaseMask | KeyPressMask | StructureNotifyMask;
    const Window window = XCreateWindow(
        display, parentWindow, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
        CopyFromParent, InputOutput, CopyFromParent, CWBackPixmap | CWEventMask, &attributes);
    if (parent == 0) {
        XStoreName(display, window, title != nullptr ? title : "");
        XSizeHints hints{};
        hints.flags = PMinSize | PMaxSize;
        hints.min_width = hints.max_width = width;
        hints.min_height = hints.max_height = height;
        XSetWMNormalHints(display, window, &hints);
        Atom deleteAtom = XInternAtom(display, "WM_DELETE_WINDOW", False);
        XSetWMProtocols(display, window, &deleteAtom, 1);
    }
    XMapWindow(display, window);
    XSync(display, False);
    if (errors->load() != 0) {
        // Most likely the parent is not a window.
        XDestroyWindow(display, window);
        XSync(display, False);
        unwatchDisplay(display);
        XCloseDisplay(display);
        return nullptr;
    }
    unwatchDisplay(display);
    auto made = std::make_unique<X11Window>(display, window, width, height);
    watchDisplay(display, &made->errors());
    return made;
}

int32_t x11ErrorCount(const CPlatformWindow& window) {
    const auto* x11 = dynamic_cast<const X11Window*>(&window);
    return x11 != nullptr ? const_cast<X11Window*>(x11)->errors().load() : 0;
}

int x11ConnectionNumber(const CPlatformWindow& window) {
    const auto* x11 = dynamic_cast<const X11Window*>(&window);
    return x11 != nullptr ? ConnectionNumber(x11->display()) : -1;
}

}  // namespace sorvella
