// The root of a view tree, bound to one platform window. It keeps the picture in a backing image,
// draws what is marked dirty at idle, dispatches input, and holds the modal view (which is drawn
// above everything and takes all mouse input) and the keyboard focus. Every call but the
// constructor belongs to the thread that made the frame.
#pragma once

#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "toolkit/platform_window.h"
#include "toolkit/view.h"

namespace sorvella {

// Told when the user starts and ends changing a control (a drag, a click), so that a host can
// group automation; every begin is followed by its end.
class CFrameListener {
  public:
    virtual ~CFrameListener() = default;
    virtual void beginEdit(int32_t tag) = 0;
    virtual void endEdit(int32_t tag) = 0;
    // The window system asked a top-level window to close.
    virtual void closeRequested() {}
};

class CFrame : public CViewContainer {
  public:
    // The frame fills the platform window; size's origin is ignored. platform may be null (a
    // frame that only draws, as the gallery uses). With a scale other than 1 (a HiDPI screen) the
    // window has size times scale pixels, while every view keeps working in the units of size.
    CFrame(const CRect& size, std::unique_ptr<CPlatformWindow> platform,
           CFrameListener* listener = nullptr, double scale = 1.0);
    ~CFrame() override;

    CPlatformWindow* platform() const { return platform_.get(); }
    CFrameListener* getListener() const { return listener_; }
    cairo_surface_t* backing() const { return backing_; }
    double getScale() const { return scale_; }
    static double scaleOf(const CFrame* frame) { return frame != nullptr ? frame->scale_ : 1.0; }
    // A context on the frame's picture, for drawing outside the frame's own passes.
    std::unique_ptr<CDrawContext> createDrawContext();
    // A popup window at a frame rectangle, and the screen's area, in frame units.
    std::unique_ptr<CPlatformPopup> createPopup(const CRect& frameRect);
    CRect screenArea();

    // Handles pending input, draws what is dirty and shows it. Call it regularly (a host's
    // editor idle, a timer).
    void idle();
    // One pass of a loop that follows the mouse: draws what is dirty, shows what was drawn,
    // handles window events other than input, then waits a few milliseconds.
    void doIdleStuff();

    CPointerState getPointer();
    // Input that arrived while a control followed the mouse, oldest first, for loops that need
    // every press and release (a quick click can fall between two polls). Dropped when the
    // outermost press is done.
    bool takeHeldInput(CPlatformEvent& event);

    // Input, in frame coordinates. Normally reached through idle(); tests may call them.
    void dispatchMouseDown(const CPoint& where, int32_t buttons);
    void dispatchWheel(const CPoint& where, float distance);
    bool dispatchKey(const CKeyEvent& key);

    // Marks a frame area for drawing at the next idle.
    void invalidate(const CRect& frameRect);
    // Draws the whole window now and shows it.
    void redraw();
    // Draws one area now, every view meeting it in tree order, then the modal view.
    void drawArea(const CRect& frameRect);

    // The modal view is drawn above all others and takes every mouse press until cleared. A view
    // without a parent is attached to the frame for the time being (not owned). False when
    // another modal view is set.
    bool setModalView(CView* view);
    CView* getModalView() const { return modal_; }

    // The focus view gets the keys first. Setting it tells the previous one it lost the focus;
    // while a view has the focus the window holds the keyboard.
    void setFocusView(CView* view);
    CView* getFocusView() const { return focus_; }

    void beginEdit(int32_t tag);
    void endEdit(int32_t tag);

    // A view leaves the tree or is destroyed: forget it as modal or focus view.
    void viewGone(CView* view);

    // The area shown on screen since the last call (for tests and pictures).
    int32_t presentCount() const { return presentCount_; }

  private:
    void pumpEvents(bool withInput);
    void drawDirty();
    void present();
    void collectTouched(CDrawContext* context);

    CPoint toUnits(const CPoint& pixels) const;
    CRect toUnits(const CRect& pixels) const;
    CRect toPixels(const CRect& units) const;

    std::unique_ptr<CPlatformWindow> platform_;
    CFrameListener* listener_ = nullptr;
    double scale_ = 1.0;
    cairo_surface_t* backing_ = nullptr;
    CView* modal_ = nullptr;
    bool modalAttachedHere_ = false;
    CView* focus_ = nullptr;
    std::vector<CRect> invalid_;
    std::vector<CPlatformEvent> heldInput_;
    CRect toPresent_;
    CDrawContext* eventContext_ = nullptr;
    int32_t trackingDepth_ = 0;
    int32_t presentCount_ = 0;
    std::thread::id owner_;
};

}  // namespace sorvella
