#include "toolkit/view.h"

#include <algorithm>

#include "toolkit/bitmap.h"
#include "toolkit/frame.h"

namespace sorvella {

CView::CView(const CRect& rect) : size(rect) {}

CView::~CView() {
    if (frame_ != nullptr) frame_->viewGone(this);
    if (background_ != nullptr) background_->forget();
}

void CView::draw(CDrawContext* context) {
    if (background_ != nullptr) background_->draw(context, size);
    setDirty(false);
}

void CView::mouse(CDrawContext*, CPoint&, int32_t) {}

bool CView::onWheel(CDrawContext*, const CPoint&, float) {
    return false;
}

int32_t CView::onKeyDown(const CKeyEvent&) {
    return -1;
}

void CView::doIdleStuff() {
    if (frame_ != nullptr) frame_->doIdleStuff();
}

void CView::setViewSize(const CRect& rect) {
    if (frame_ != nullptr) frame_->invalidate(getFrameRect());
    size = rect;
    setDirty(true);
}

CPoint CView::getFrameOrigin() const {
    CPoint origin;
    for (const CView* up = parent_; up != nullptr; up = up->parent_) {
        origin.offset(up->size.left, up->size.top);
    }
    return origin;
}

CRect CView::getFrameRect() const {
    const CPoint origin = getFrameOrigin();
    CRect rect = size;
    return rect.offset(origin.h, origin.v);
}

void CView::setVisible(bool visible) {
    if (visible == visible_) return;
    visible_ = visible;
    if (frame_ != nullptr) frame_->invalidate(getFrameRect());
}

void CView::setTransparency(bool transparent) {
    transparent_ = transparent;
    setDirty(true);
}

void CView::setBackground(CBitmap* bitmap) {
    if (bitmap != nullptr) bitmap->remember();
    if (background_ != nullptr) background_->forget();
    background_ = bitmap;
    setDirty(true);
}

void CView::drawBackgroundBehind(CDrawContext* context) {
    if (parent_ != nullptr) parent_->drawBackgroundRect(context, size);
}

void CView::attached(CViewContainer* parent, CFrame* frame) {
    parent_ = parent;
    frame_ = frame;
    setDirty(true);
}

void CView::removed() {
    if (frame_ != nullptr) {
        frame_->invalidate(getFrameRect());
        frame_->viewGone(this);
    }
    parent_ = nullptr;
    frame_ = nullptr;
}

CViewContainer::CViewContainer(const CRect& rect, CFrame* frame, CBitmap* background)
    : CView(rect), creationFrame_(frame) {
    if (background != nullptr) setBackground(background);
}

CViewContainer::~CViewContainer() {
    removeAll(true);
}

bool CViewContainer::addView(CView* view) {
    if (view == nullptr || view->getParentView() != nullptr || view == this) return false;
    views_.push_back(view);
    view->attached(this, getFrame() != nullptr ? getFrame() : creationFrame_);
    return true;
}

bool CViewContainer::removeView(CView* view, bool destroy) {
    auto found = std::find(views_.begin(), views_.end(), view);
    if (found == views_.end()) return false;
    views_.erase(found);
    view->removed();
    if (destroy) delete view;
    return true;
}

void CViewContainer::removeAll(bool destroy) {
    while (!views_.empty())
        removeView(views_.back(), destroy);
}

bool CViewContainer::isChild(const CView* view) const {
    return std::find(views_.begin(), views_.end(), view) != views_.end();
}

CView* CViewContainer::getView(int32_t index) const {
    if (index < 0 || index >= getNbViews()) return nullptr;
    return views_[static_cast<size_t>(index)];
}

void CViewContainer::drawBackgroundRect(CDrawContext* context, const CRect& rect) {
    CBitmap* background = getBackground();
    if (background != nullptr && background->isLoaded()) {
        const CPoint offset(rect.left + backgroundOffset_.h, rect.top + backgroundOffset_.v);
        context->drawBitmap(*background, rect, offset);
    } else if (backgroundColor_.alpha != 0) {
        const CColor saved = context->getFillColor();
        context->setFillColor(backgroundColor_);
        context->fillRect(rect);
        context->setFillColor(saved);
    }
}

void CViewContainer::draw(CDrawContext* context) {
    const CPoint saved = context->getOffset();
    context->setOffset({saved.h + size.left, saved.v + size.top});
    drawBackgroundRect(context, {0, 0, size.width(), size.height()});
    drawViews(context);
    context->setOffset(saved);
    setDirty(false);
}

void CViewContainer::drawViews(CDrawContext* context) {
    const CRect clip = context->getClipRect();
    for (CView* view : views_) {
        if (view->isVisible() && view->getViewSize().intersects(clip)) {
            view->draw(context);
            view->setDirty(false);
        }
    }
}

CView* CViewContainer::viewAt(const CPoint& where) const {
    for (auto it = views_.rbegin(); it != views_.rend(); ++it) {
        CView* view = *it;
        if (view->isVisible() && view->getMouseEnabled() && view->hitTest(where)) return view;
    }
    return nullptr;
}

void CViewContainer::mouse(CDrawContext* context, CPoint& where, int32_t buttons) {
    CPoint local(where.h - size.left, where.v - size.top);
    CView* view = viewAt(local);
    if (view == nullptr) return;
    const CPoint saved = context->getOffset();
    context->setOffset({saved.h + size.left, saved.v + size.top});
    view->mouse(context, local, buttons);
    context->setOffset(saved);
}

bool CViewContainer::onWheel(CDrawContext* context, const CPoint& where, float distance) {
    const CPoint local(where.h - size.left, where.v - size.top);
    CView* view = viewAt(local);
    if (view == nullptr) return false;
    const CPoint saved = context->getOffset();
    context->setOffset({saved.h + size.left, saved.v + size.top});
    const bool used = view->onWheel(context, local, distance);
    context->setOffset(saved);
    return used;
}

void CViewContainer::attached(CViewContainer* parent, CFrame* frame) {
    CView::attached(parent, frame);
    for (CView* view : views_)
        view->attached(this, frame);
}

void CViewContainer::removed() {
    for (CView* view : views_) {
        view->removed();
        view->attached(this, creationFrame_);
    }
    CView::removed();
}

void CViewContainer::collectDirty(std::vector<CRect>& rects) const {
    if (!isVisible()) return;
    if (isDirty()) {
        rects.push_back(getFrameRect());
        return;
    }
    for (const CView* view : views_) {
        if (!view->isVisible()) continue;
        if (view->isContainer()) {
            static_cast<const CViewContainer*>(view)->collectDirty(rects);
        } else if (view->isDirty()) {
            rects.push_back(view->getFrameRect());
        }
    }
}

void CViewContainer::clearDirty() {
    setDirty(false);
    for (CView* view : views_) {
        if (view->isContainer()) {
            static_cast<CViewContainer*>(view)->clearDirty();
        } else {
            view->setDirty(false);
        }
    }
}

}  // namespace sorvella
