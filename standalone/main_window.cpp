#include "standalone/main_window.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <cairo.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "editor/skin/skin_png.h"
#include "platform/error_box.h"
#include "standalone/app_icon.h"
#include "standalone/modal_dialog.h"
#include "standalone/my_vsti_standalone.h"
#include "standalone/path_dialog.h"
#include "standalone/setup_dialog.h"
#include "standalone/x11_top_level.h"
#include "toolkit/bitmap.h"
#include "toolkit/x11_window.h"

namespace sorvella {

namespace {

constexpr int kSetupBitmap = 149;
constexpr int kWavBitmap = 150;
constexpr int kEditorBackground = 134;
constexpr CColor kButtonFace{212, 212, 212, 255};
// X key codes are the evdev codes moved up by 8.
constexpr unsigned int kEvdevOffset = 8;

// An X error on the program's own connection (a window another client destroyed first) is
// noted on stderr, never fatal. Installed before any toolkit window, so the toolkit's handler
// passes other connections' errors on to it.
int noteError(Display* display, XErrorEvent* error) {
    char text[128] = {};
    XGetErrorText(display, error->error_code, text, sizeof text);
    std::fprintf(stderr, "sorvella-standalone: X error: %s (request %d)\n", text,
                 error->request_code);
    return 0;
}

// The icon a window manager shows for the window: unpremultiplied ARGB words after the size.
void setWindowIcon(Display* display, Window window) {
    constexpr int kSize = 48;
    cairo_surface_t* icon = paintAppIcon(kSize);
    cairo_surface_flush(icon);
    const unsigned char* data = cairo_image_surface_get_data(icon);
    const int stride = cairo_image_surface_get_stride(icon);
    std::vector<long> words = {kSize, kSize};
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const auto pixel = *reinterpret_cast<const std::uint32_t*>(data + y * stride + x * 4);
            const std::uint32_t a = pixel >> 24;
            auto channel = [&](int shift) -> std::uint32_t {
                const std::uint32_t c = (pixel >> shift) & 0xFF;
                return a == 0 ? 0 : std::min<std::uint32_t>(255, c * 255 / a);
            };
            words.push_back(static_cast<long>((a << 24) | (channel(16) << 16) | (channel(8) << 8) |
                                              channel(0)));
        }
    }
    cairo_surface_destroy(icon);
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_ICON", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(words.data()),
                    static_cast<int>(words.size()));
}

vst2::intptr dispatch(MyVstiStandalone& app, std::int32_t opcode, std::int32_t index = 0,
                      vst2::intptr value = 0, void* ptr = nullptr) {
    vst2::AEffect* effect = app.getAeffect();
    return effect->dispatcher(effect, opcode, index, value, ptr, 0.0f);
}

}  // namespace

std::unique_ptr<MainWindow> MainWindow::open(MyVstiStandalone& app, std::function<void()> onClose) {
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) return nullptr;
    Display* display = XOpenDisplay(nullptr);
    if (!display) return nullptr;
    XSetErrorHandler(noteError);
    std::unique_ptr<MainWindow> window(new MainWindow(app, display, std::move(onClose)));
    if (!window->build()) return nullptr;
    setFileDialogFallback(
        [w = window.get()](const FileRequest& request, void*) { return w->askForPath(request); });
    return window;
}

MainWindow::MainWindow(MyVstiStandalone& app, Display* display, std::function<void()> onClose)
    : app_(app), display_(display), onClose_(std::move(onClose)) {}

MainWindow::~MainWindow() {
    setFileDialogFallback({});
    // The editor goes before the window it lives in.
    closeEditor();
    buttonFrames_.clear();
    if (window_ != None) XDestroyWindow(display_, window_);
    XSync(display_, False);
    XCloseDisplay(display_);
}

bool MainWindow::build() {
    XkbSetDetectableAutoRepeat(display_, True, nullptr);
    vst2::AEffect* effect = app_.getAeffect();
    const bool hasEditor = (effect->flags & vst2::effFlagsHasEditor) != 0;
    if (hasEditor) {
        vst2::ERect* rect = nullptr;
        if (dispatch(app_, vst2::effEditGetRect, 0, 0, &rect) && rect && rect->right > rect->left &&
            rect->bottom > rect->top) {
            width_ = rect->right - rect->left;
            height_ = rect->bottom - rect->top;
        }
    }

    const unsigned long face = buttonFaceColour(display_);
    TopLevelOptions options;
    options.width = width_;
    options.height = height_;
    options.background = face;
    window_ = createTopLevel(display_, options);
    setWindowIcon(display_, window_);
    XSelectInput(
        display_, window_,
        StructureNotifyMask | ExposureMask | FocusChangeMask | KeyPressMask | KeyReleaseMask);
    editorArea_ = XCreateSimpleWindow(display_, window_, 0, 0, static_cast<unsigned>(width_),
                                      static_cast<unsigned>(height_), 0, 0, face);
    XMapWindow(display_, editorArea_);

    // The keyboard focus rests on a window outside the editor's, so that key presses reach the
    // program wherever the pointer is; the editor's text fields take the focus while they edit.
    XSetWindowAttributes attributes{};
    attributes.event_mask = KeyPressMask | KeyReleaseMask | FocusChangeMask;
    focusProxy_ = XCreateWindow(display_, window_, -1, -1, 1, 1, 0, 0, InputOnly, CopyFromParent,
                                CWEventMask, &attributes);
    XMapWindow(display_, focusProxy_);
    XSync(display_, False);

    if (hasEditor)
        editorOpen_ =
            dispatch(app_, vst2::effEditOpen, 0, 0, reinterpret_cast<void*>(editorArea_)) != 0;
    addButton(kSetupBitmap, kSetupButtonTag, kSetupButtonAt);
    addButton(kWavBitmap, kWavButtonTag, kWavButtonAt);

    // Made last, so that it lies above everything else once mapped.
    XSetWindowAttributes shield{};
    shield.event_mask = ButtonPressMask | ButtonReleaseMask;
    shield_ = XCreateWindow(display_, window_, 0, 0, static_cast<unsigned>(width_),
                            static_cast<unsigned>(height_), 0, 0, InputOnly, CopyFromParent,
                            CWEventMask, &shield);

    app_.setProgram(0);
    XMapRaised(display_, window_);
    XSync(display_, False);
    return true;
}

void MainWindow::addButton(int resource, std::int32_t tag, const CPoint& at) {
    const std::span<const std::uint8_t> png = skinPng(resource, 1);
    auto* bitmap = new CBitmap(png.data(), png.size());
    if (png.empty() || !bitmap->isLoaded() || bitmap->getHeight() < 2) {
        bitmap->forget();
        const std::string detail = "Skin bitmap " + std::to_string(resource);
        reportError(kErrorBitmap, detail.c_str());
        return;
    }
    const std::int32_t width = bitmap->getWidth();
    const std::int32_t height = bitmap->getHeight() / 2;
    std::unique_ptr<CPlatformWindow> platform = openX11Window(window_, width, height);
    if (!platform) {
        bitmap->forget();
        return;
    }
    XMoveWindow(display_, static_cast<Window>(platform->nativeHandle()), at.h, at.v);
    XSync(display_, False);
    auto frame = std::make_unique<CFrame>(CRect(0, 0, width, height), std::move(platform));
    // Over the editor the button's corners show the editor's panel beneath it.
    const std::span<const std::uint8_t> panelPng = skinPng(kEditorBackground, 1);
    auto* panel = new CBitmap(panelPng.data(), panelPng.size());
    if (editorOpen_ && panel->isLoaded()) {
        frame->setBackground(panel);
        frame->setBackgroundOffset(at);
    } else {
        frame->setBackgroundColor(kButtonFace);
    }
    panel->forget();
    const CRect rect(0, 0, width, height);
    CControl* button = nullptr;
    if (tag == kSetupButtonTag) {
        button = new CKickButton(rect, this, tag, height, bitmap);
    } else {
        wavButton_ = new COnOffButton(rect, this, tag, bitmap);
        button = wavButton_;
    }
    bitmap->forget();
    frame->addView(button);
    frame->redraw();
    buttonFrames_.push_back(std::move(frame));
}

void MainWindow::serve(MainLoop& loop, int endFd) {
    loop_ = &loop;
    endFd_ = endFd;
    loop.watch(ConnectionNumber(display_), [this] {
        pumpEvents();
        runPendingAction();
    });
    for (const auto& frame : buttonFrames_) {
        CFrame* f = frame.get();
        loop.watch(x11ConnectionNumber(*f->platform()), [this, f] {
            f->idle();
            runPendingAction();
        });
    }
}

void MainWindow::idle() {
    idleButtons();
    pumpEvents();
    syncWavButton();
    runPendingAction();
}

void MainWindow::idleButtons() {
    for (const auto& frame : buttonFrames_)
        frame->idle();
}

void MainWindow::pumpEvents() {
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        handle(event);
    }
}

void MainWindow::handle(XEvent& event) {
    if (isCloseRequest(display_, event, window_)) {
        if (modal_ && onModalCancel_) onModalCancel_();
        if (onClose_) onClose_();
        return;
    }
    const Window target = event.xany.window;
    const bool ours = target == window_ || target == focusProxy_;
    switch (event.type) {
        case FocusIn:
            // The window manager (or a child giving the focus back) gave the window itself the
            // focus: it goes on to the focus window. Left on the window, keys would go to the
            // editor's window whenever the pointer is over it.
            if (target == window_ && event.xfocus.detail != NotifyPointer && !modal_) {
                XSetInputFocus(display_, focusProxy_, RevertToParent, CurrentTime);
            }
            break;
        case FocusOut:
            // Keys let go elsewhere never arrive: the notes they hold end now.
            if (ours && event.xfocus.detail != NotifyInferior) app_.releaseComputerKeys();
            break;
        case KeyPress:
        case KeyRelease:
            if (ours && !modal_) handleKey(event.xkey, event.type == KeyPress);
            break;
        default:
            break;
    }
}

void MainWindow::handleKey(XKeyEvent& event, bool pressed) {
    if (event.keycode < kEvdevOffset) return;
    if (app_.computerKey(event.keycode - kEvdevOffset, pressed)) return;
    // Other keys go to the editor, as a host forwards them.
    char text[8] = {};
    KeySym sym = 0;
    if (XLookupString(&event, text, sizeof text, &sym, nullptr) != 1 || !editorOpen_) return;
    dispatch(app_, pressed ? vst2::effEditKeyDown : vst2::effEditKeyUp,
             static_cast<unsigned char>(text[0]));
}

void MainWindow::valueChanged(CDrawContext*, CControl* control) {
    const std::int32_t tag = control->getTag();
    const float value = control->getValue();
    // Pressing SETUP does nothing; what the release does waits for the button to finish.
    if (tag == kSetupButtonTag && value != 0.0f) {
        app_.controlChanged(tag, value);
        return;
    }
    pending_ = std::make_pair(tag, value);
}

void MainWindow::runPendingAction() {
    if (!pending_ || modal_) return;
    const auto [tag, value] = *pending_;
    pending_.reset();
    app_.controlChanged(tag, value);
    syncWavButton();
    idleButtons();
}

void MainWindow::syncWavButton() {
    if (!wavButton_) return;
    const float shown = app_.recording() ? 1.0f : 0.0f;
    if (wavButton_->getValue() == shown) return;
    wavButton_->setValue(shown);
    wavButton_->setDirty();
}

bool MainWindow::runModal(const char* title, std::int32_t width, std::int32_t height,
                          const std::function<void(CFrame&, std::function<void(bool)>)>& build,
                          const std::function<void()>& onOk) {
    if (modal_) return false;
    std::unique_ptr<ModalDialog> dialog = ModalDialog::open(window_, title, width, height);
    if (!dialog) return false;
    ModalDialog* shown = dialog.get();
    build(dialog->frame(), [shown](bool ok) { shown->end(ok); });

    modal_ = true;
    XMapRaised(display_, shield_);
    XFlush(display_);
    onModalCancel_ = [shown] { shown->end(false); };
    MainLoop loop;
    loop.watch(ConnectionNumber(display_), [this] { pumpEvents(); });
    for (const auto& frame : buttonFrames_) {
        CFrame* f = frame.get();
        loop.watch(x11ConnectionNumber(*f->platform()), [f] { f->idle(); });
    }
    loop.watch(endFd_, [shown] { shown->end(false); });
    // The editor's idle waits: the dialog may have been asked for from inside it.
    const bool ok = dialog->run(loop, [this] {
        idleButtons();
        syncWavButton();
    });
    if (ok && onOk) onOk();
    onModalCancel_ = nullptr;
    dialog.reset();
    XUnmapWindow(display_, shield_);
    modal_ = false;
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display_, window_, &attributes) && attributes.map_state == IsViewable)
        XSetInputFocus(display_, focusProxy_, RevertToParent, CurrentTime);
    XFlush(display_);
    return ok;
}

bool MainWindow::runSetupDialog(SetupDialogContent& content) {
    std::optional<SetupDialogView> view;
    return runModal(
        kSetupTitle, kSetupWidth, kSetupHeight,
        [&](CFrame& frame, std::function<void(bool)> end) {
            view.emplace(frame, content, std::move(end));
        },
        [&] { content.selection = view->selection(); });
}

std::optional<std::string> MainWindow::askForPath(const FileRequest& request) {
    std::optional<PathDialogView> view;
    std::optional<std::string> path;
    const std::string title = request.title.empty() ? "Sorvella" : request.title;
    runModal(
        title.c_str(), kPathDialogWidth, kPathDialogHeight,
        [&](CFrame& frame, std::function<void(bool)> end) {
            view.emplace(frame, request, startingFolder(), std::move(end));
        },
        [&] { path = view->path(); });
    return path;
}

void* MainWindow::nativeWindow() {
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(window_));
}

void MainWindow::raise() {
    raiseTopLevel(display_, window_);
}

void MainWindow::closeEditor() {
    if (!editorOpen_) return;
    editorOpen_ = false;
    dispatch(app_, vst2::effEditClose);
}

}  // namespace sorvella
