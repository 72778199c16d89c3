// The instrument's editor window: the main page with a control for every parameter and the
// instrument's actions, the envelope editor, the XY pad, the credits splash, and the formant page
// that opens over it. Host threads and the audio thread reach it only through the mailbox of its
// base; the window's own thread (the one that opens it and calls idle) does all X work.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

#include "editor/control_actions.h"
#include "editor/editor_controls.h"
#include "editor/mailbox_editor.h"
#include "editor/value_displays.h"
#include "toolkit/control.h"
#include "toolkit/frame.h"

namespace sorvella {

class CBitmap;
class COptionMenu;
class CTextEdit;
class CViewContainer;
class EnvSegment32;
class FormantsEditor;
class XYcontrol;
struct ControlPlacement;

class MyVstiEditor : public MailboxEditor,
                     public CControlListener,
                     public CFrameListener,
                     public ValueDisplaySource {
  public:
    explicit MyVstiEditor(MyVsti& instrument);
    ~MyVstiEditor() override;

    bool isReady() const override { return ready_; }

    // The window's size in pixels: 819 x 374 times the screen's scale (1, 1.5 or 2).
    bool getRect(vst2::ERect** rect) override;
    // parent: the host's X11 window. False without a display or when the window cannot be built.
    bool open(void* parentWindow) override;
    void close() override;
    void idle() override;
    bool onKeyDown(std::int32_t character, std::int32_t virtualKey,
                   std::int32_t modifiers) override;

    // A host's knob mode (the plugin interface's 0 circular, 1 relative circular, 2 linear) for
    // every knob of the process, until the editor's own setting replaces it at the next open.
    bool setKnobMode(std::int32_t mode) override;

    void viewBlock(float& zoom, float& scroll) const override;
    void setViewBlock(float zoom, float scroll) override;

    // The window's parts, while open (the standalone program adds its buttons to the main page;
    // tests look at them).
    bool isOpen() const { return frame_ != nullptr; }
    CFrame* frame() const { return frame_.get(); }
    CViewContainer* currentPage() const;
    CControl* control(std::int32_t tag) const;
    // Adds a two-state button of the standalone program to the main page.
    bool addButton(std::int32_t tag, bool momentary, CBitmap* bitmap, const CRect& rect);
    bool formantPageShown() const;
    double scale() const { return scale_; }
    LearnMode& learnMode() { return learn_; }

    // CControlListener.
    void valueChanged(CDrawContext* context, CControl* control) override;
    // CFrameListener: a user's change of a parameter is grouped for the host's automation.
    void beginEdit(int32_t tag) override;
    void endEdit(int32_t tag) override;
    // ValueDisplaySource.
    void displayText(std::int32_t parameter, char* out, std::size_t size) override;
    void displayClicked(std::int32_t tag, MouseButtons buttons) override;

  private:
    bool buildMainPage(CViewContainer& page);
    bool buildFormantPage(CViewContainer& page);
    bool addPlacement(CViewContainer& page, const ControlPlacement& placement);
    bool registerControl(CViewContainer& page, CControl* control);
    CBitmap* bitmap(std::int32_t resource) const;
    // Takes what other threads recorded and shows it.
    void drainMailbox();
    void showValue(std::int32_t tag, float value);
    void redrawDisplays();
    void applyEditorSettings();
    void saveEditorSettings();
    void openFormantPage(std::int32_t slot);
    void closeFormantPage();
    // What a control's report asked for that must wait until its mouse handling is over.
    void runDeferred();
    void publishViewBlock();

    bool ready_ = false;
    bool holdsSkin_ = false;
    vst2::ERect rect_{};
    double scale_ = 0.0;  // 0 until the screen was asked
    LearnMode learn_;
    ControlActions actions_;
    std::unique_ptr<COptionMenu> settingsMenu_;
    std::unique_ptr<COptionMenu> xyInertiaMenu_;
    std::unique_ptr<COptionMenu> knobsInertiaMenu_;
    std::unique_ptr<COptionMenu> knobsModeMenu_;

    std::unique_ptr<CFrame> frame_;
    CViewContainer* mainPage_ = nullptr;     // owned by the frame
    CViewContainer* formantPage_ = nullptr;  // owned here; shown as the frame's modal view
    std::array<CControl*, tags::kCount> controls_{};
    std::thread::id owner_;

    FileAction pendingFile_ = FileAction::kNone;
    std::int32_t pendingFormantSlot_ = -1;
    bool pendingFormantClose_ = false;
    // The envelope editor's zoom and scroll for chunks, which hosts take on any thread; and a view
    // block from a chunk, applied at the next idle.
    std::atomic<float> shownZoom_{0.0f};
    std::atomic<float> shownScroll_{0.0f};
    std::atomic<bool> viewBlockPending_{false};
    std::atomic<float> pendingZoom_{0.0f};
    std::atomic<float> pendingScroll_{0.0f};
};

}  // namespace sorvella
