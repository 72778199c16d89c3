// The standalone program's main window: a top-level X window of the editor's size with the
// instrument's editor inside (opened through the plugin interface, as a host opens it), the
// program's SETUP and WAV buttons over it, the Setup dialog and the path dialog, and the computer
// keyboard while the window has the keyboard focus. Everything runs on the main thread, in the
// program's poll() loop.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "presets/file_selector.h"
#include "standalone/main_loop.h"
#include "standalone/standalone_window.h"
#include "toolkit/buttons.h"
#include "toolkit/frame.h"

namespace sorvella {

class MyVstiStandalone;

inline constexpr std::int32_t kDefaultEditorWidth = 819;
inline constexpr std::int32_t kDefaultEditorHeight = 374;
inline constexpr CPoint kSetupButtonAt{8, 325};
inline constexpr CPoint kWavButtonAt{8, 346};

class MainWindow final : public StandaloneWindow, private CControlListener {
  public:
    // The window with the editor open in it, shown; none when there is no display. onClose runs
    // when the window manager asks the window to close.
    static std::unique_ptr<MainWindow> open(MyVstiStandalone& app, std::function<void()> onClose);
    ~MainWindow() override;

    // Watches the window's X connections in the program's loop. A descriptor that ends the
    // program when readable (the signals) also cancels a dialog that is up, and is left for the
    // program's loop to read.
    void serve(MainLoop& loop, int endFd = -1);
    // The 100 ms timer's work for the window: the buttons' idle, and the WAV button showing
    // whether a recording runs.
    void idle();

    void* nativeWindow() override;
    bool runSetupDialog(SetupDialogContent& content) override;
    void raise() override;
    void closeEditor() override;
    // The path dialog, for file requests when no dialog program is installed.
    std::optional<std::string> askForPath(const FileRequest& request);

    Window window() const { return window_; }

  private:
    MainWindow(MyVstiStandalone& app, Display* display, std::function<void()> onClose);
    bool build();
    void addButton(int resource, std::int32_t tag, const CPoint& at);
    void pumpEvents();
    void handle(XEvent& event);
    void handleKey(XKeyEvent& event, bool pressed);
    void idleButtons();
    void syncWavButton();
    void runPendingAction();
    // Runs a dialog's view in a modal window: true for OK.
    // onOk runs before the dialog's views go.
    bool runModal(const char* title, std::int32_t width, std::int32_t height,
                  const std::function<void(CFrame&, std::function<void(bool)>)>& build,
                  const std::function<void()>& onOk);
    void valueChanged(CDrawContext* context, CControl* control) override;

    MyVstiStandalone& app_;
    Display* display_;
    std::function<void()> onClose_;
    Window window_ = None;
    Window editorArea_ = None;
    Window focusProxy_ = None;
    Window shield_ = None;  // covers the window while a dialog is up, so clicks do not reach it
    std::int32_t width_ = kDefaultEditorWidth;
    std::int32_t height_ = kDefaultEditorHeight;
    bool editorOpen_ = false;
    bool modal_ = false;
    std::vector<std::unique_ptr<CFrame>> buttonFrames_;
    COnOffButton* wavButton_ = nullptr;
    // A button's change is acted on once the button's own handling has returned, so that a
    // dialog never runs inside a control's mouse loop.
    std::optional<std::pair<std::int32_t, float>> pending_;
    MainLoop* loop_ = nullptr;
    int endFd_ = -1;
    std::function<void()> onModalCancel_;
};

}  // namespace sorvella
