// A window that exists only in memory: the frame's backing image is the picture, input comes from
// a script. A pointer script is a list of states; each pass of a tracking loop (each pace) moves to
// the next state, and when the list is used up the pointer reads as gone, which ends every loop.
// Popups are kept as images with their rectangles.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "toolkit/platform_window.h"

namespace sorvella {

class CHeadlessWindow : public CPlatformWindow {
  public:
    struct Popup {
        CRect rect;
        cairo_surface_t* image = nullptr;  // the last image shown
        bool open = true;
    };

    CHeadlessWindow();
    ~CHeadlessWindow() override;

    // A press at the script's first state, queued as an event, followed by the whole script.
    void press(std::vector<CPointerState> script);
    // A press at from, straight moves of the pointer in steps to to, and a release there.
    static std::vector<CPointerState> drag(CPoint from, CPoint to, int32_t steps,
                                           int32_t buttons = kLButton);
    // A press and release at one point.
    static std::vector<CPointerState> click(CPoint at, int32_t buttons = kLButton);
    void setPointerScript(std::vector<CPointerState> script);
    void postEvent(const CPlatformEvent& event) { events_.push_back(event); }
    void typeText(const std::string& text);
    void typeKey(int32_t virt);

    // Called at every pace, before the script moves on: a look at a loop in progress.
    void setOnPace(std::function<void()> onPace) { onPace_ = std::move(onPace); }
    int32_t paceCount() const { return paces_; }
    bool hasKeyboardFocus() const { return keyboardFocus_; }
    const std::vector<Popup>& popups() const { return popups_; }
    int32_t openPopupCount() const;

    // The frame's picture with the open popups above it, cut to the frame's size.
    static void writePng(cairo_surface_t* backing, const std::vector<Popup>& popups,
                         const std::string& path, bool withPopups = true);

    bool nextEvent(CPlatformEvent& event) override;
    CPointerState queryPointer() override;
    void present(cairo_surface_t* backing, const CRect& area) override;
    void pace(int32_t milliseconds) override;
    std::unique_ptr<CPlatformPopup> createPopup(const CRect& frameRect) override;
    CRect screenArea() override { return {-4000, -4000, 4000, 4000}; }
    void takeKeyboardFocus() override { keyboardFocus_ = true; }
    void releaseKeyboardFocus() override { keyboardFocus_ = false; }
    uintptr_t nativeHandle() const override { return 0; }

  private:
    std::deque<CPlatformEvent> events_;
    std::vector<CPointerState> script_;
    size_t scriptIndex_ = 0;
    CPointerState resting_;
    std::function<void()> onPace_;
    int32_t paces_ = 0;
    bool keyboardFocus_ = false;
    std::vector<Popup> popups_;
};

}  // namespace sorvella
