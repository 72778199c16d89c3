// Views and containers. A view's rectangle is in its parent's coordinates; a container draws its
// background and then its views in the order they were added (later ones on top) and hands a
// click to the topmost view under it. Containers own their views.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "toolkit/draw_context.h"
#include "toolkit/geometry.h"
#include "toolkit/platform_window.h"

namespace sorvella {

class CBitmap;
class CFrame;
class CViewContainer;

class CView {
  public:
    explicit CView(const CRect& size);
    virtual ~CView();
    CView(const CView&) = delete;
    CView& operator=(const CView&) = delete;

    // Draws the view at its rectangle; the context's origin is the parent's.
    virtual void draw(CDrawContext* context);
    // A mouse press at where (parent coordinates). buttons -1 means: ask the context.
    virtual void mouse(CDrawContext* context, CPoint& where, int32_t buttons = -1);
    virtual bool onWheel(CDrawContext* context, const CPoint& where, float distance);
    // 1 when the key was used, -1 to let it go on (to the host).
    virtual int32_t onKeyDown(const CKeyEvent& key);
    virtual void takeFocus() {}
    virtual void looseFocus() {}
    // Called once per pass by loops that follow the mouse; the frame's idle work by default.
    virtual void doIdleStuff();
    virtual bool isContainer() const { return false; }
    virtual bool hitTest(const CPoint& where) const { return size.pointInside(where); }

    void setDirty(bool dirty = true) { dirty_ = dirty; }
    bool isDirty() const { return dirty_; }
    // Marks the view for drawing at the next idle.
    void redraw() { setDirty(true); }

    const CRect& getViewSize() const { return size; }
    void setViewSize(const CRect& rect);
    CRect getFrameRect() const;     // the rectangle in frame coordinates
    CPoint getFrameOrigin() const;  // the parent's origin in frame coordinates

    void setVisible(bool visible);
    bool isVisible() const { return visible_; }
    void setMouseEnabled(bool enabled) { mouseEnabled_ = enabled; }
    bool getMouseEnabled() const { return mouseEnabled_; }
    void setTransparency(bool transparent);
    bool getTransparency() const { return transparent_; }

    // The view's bitmap (a control's film or a container's background); one reference is taken.
    void setBackground(CBitmap* bitmap);
    CBitmap* getBackground() const { return background_; }

    CFrame* getFrame() const { return frame_; }
    CViewContainer* getParentView() const { return parent_; }

    // Paints what the parent shows behind this view (its background), so that a view with
    // transparent parts can be drawn again on its own.
    void drawBackgroundBehind(CDrawContext* context);

    // Used by containers and the frame when the view joins or leaves the tree.
    virtual void attached(CViewContainer* parent, CFrame* frame);
    virtual void removed();

  protected:
    CRect size;

  private:
    CViewContainer* parent_ = nullptr;
    CFrame* frame_ = nullptr;
    CBitmap* background_ = nullptr;
    // Set from any thread (a host's parameter change), read on the window's thread at idle.
    std::atomic<bool> dirty_{true};
    bool visible_ = true;
    bool mouseEnabled_ = true;
    bool transparent_ = false;
};

class CViewContainer : public CView {
  public:
    CViewContainer(const CRect& size, CFrame* frame = nullptr, CBitmap* background = nullptr);
    ~CViewContainer() override;

    // Takes ownership; a view already in another container is refused (false).
    bool addView(CView* view);
    // Takes the view out; destroy it too unless destroy is false.
    bool removeView(CView* view, bool destroy = true);
    void removeAll(bool destroy = true);
    bool isChild(const CView* view) const;
    int32_t getNbViews() const { return static_cast<int32_t>(views_.size()); }
    CView* getView(int32_t index) const;

    void setBackgroundOffset(const CPoint& offset) { backgroundOffset_ = offset; }
    CPoint getBackgroundOffset() const { return backgroundOffset_; }
    void setBackgroundColor(CColor color) { backgroundColor_ = color; }

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, int32_t buttons = -1) override;
    bool onWheel(CDrawContext* context, const CPoint& where, float distance) override;
    bool isContainer() const override { return true; }

    // Paints the container's background into rect (container coordinates; the context's origin
    // is the container's).
    void drawBackgroundRect(CDrawContext* context, const CRect& rect);
    // Draws the views that meet the context's clip; the context's origin is the container's.
    void drawViews(CDrawContext* context);
    // The topmost visible, mouse-enabled view under where (container coordinates), or none.
    CView* viewAt(const CPoint& where) const;

    void attached(CViewContainer* parent, CFrame* frame) override;
    void removed() override;
    // Collects the frame rectangles of every dirty view below, clearing nothing.
    void collectDirty(std::vector<CRect>& rects) const;
    void clearDirty();

  private:
    std::vector<CView*> views_;
    CPoint backgroundOffset_;
    CColor backgroundColor_ = kTransparentCColor;
    CFrame* creationFrame_ = nullptr;
};

}  // namespace sorvella
