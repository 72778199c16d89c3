#include "toolkit/frame.h"

#include <cairo.h>

#include <cassert>
#include <cmath>

namespace sorvella {
namespace {

constexpr size_t kHeldInputLimit = 64;

}  // namespace

CFrame::CFrame(const CRect& rect, std::unique_ptr<CPlatformWindow> platform,
               CFrameListener* listener, double scale)
    : CViewContainer({0, 0, rect.width(), rect.height()}),
      platform_(std::move(platform)),
      listener_(listener),
      scale_(scale >= 1.0 && scale <= 4.0 ? scale : 1.0),
      owner_(std::this_thread::get_id()) {
    const CRect pixels = toPixels({0, 0, std::max(rect.width(), 1), std::max(rect.height(), 1)});
    backing_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pixels.width(), pixels.height());
    setBackgroundColor({200, 200, 200, 255});
    attached(nullptr, this);
}

CFrame::~CFrame() {
    setModalView(nullptr);
    setFocusView(nullptr);
    removeAll(true);
    CView::attached(nullptr, nullptr);  // no longer its own frame while it is torn down
    platform_.reset();
    cairo_surface_destroy(backing_);
}

void CFrame::idle() {
    assert(std::this_thread::get_id() == owner_);
    if (trackingDepth_ > 0) {
        doIdleStuff();
        return;
    }
    pumpEvents(true);
    drawDirty();
    present();
}

void CFrame::doIdleStuff() {
    if (eventContext_ != nullptr) collectTouched(eventContext_);
    drawDirty();
    present();
    pumpEvents(false);
    if (platform_) platform_->pace(4);
}

CPointerState CFrame::getPointer() {
    if (!platform_) return {{}, 0, false};
    CPointerState pointer = platform_->queryPointer();
    pointer.where = toUnits(pointer.where);
    return pointer;
}

CPoint CFrame::toUnits(const CPoint& pixels) const {
    return {static_cast<int32_t>(std::floor(pixels.h / scale_)),
            static_cast<int32_t>(std::floor(pixels.v / scale_))};
}

CRect CFrame::toUnits(const CRect& pixels) const {
    return {static_cast<int32_t>(std::floor(pixels.left / scale_)),
            static_cast<int32_t>(std::floor(pixels.top / scale_)),
            static_cast<int32_t>(std::ceil(pixels.right / scale_)),
            static_cast<int32_t>(std::ceil(pixels.bottom / scale_))};
}

CRect CFrame::toPixels(const CRect& units) const {
    return {static_cast<int32_t>(std::floor(units.left * scale_)),
            static_cast<int32_t>(std::floor(units.top * scale_)),
            static_cast<int32_t>(std::ceil(units.right * scale_)),
            static_cast<int32_t>(std::ceil(units.bottom * scale_))};
}

std::unique_ptr<CDrawContext> CFrame::createDrawContext() {
    return std::make_unique<CDrawContext>(this, backing_, scale_);
}

std::unique_ptr<CPlatformPopup> CFrame::createPopup(const CRect& frameRect) {
    if (!platform_) return nullptr;
    return platform_->createPopup(toPixels(frameRect));
}

CRect CFrame::screenArea() {
    return platform_ ? toUnits(platform_->screenArea()) : CRect();
}

bool CFrame::takeHeldInput(CPlatformEvent& event) {
    if (heldInput_.empty()) return false;
    event = heldInput_.front();
    heldInput_.erase(heldInput_.begin());
    return true;
}

void CFrame::pumpEvents(bool withInput) {
    if (!platform_) return;
    CPlatformEvent event;
    while (platform_->nextEvent(event)) {
        event.where = toUnits(event.where);
        event.area = toUnits(event.area);
        switch (event.type) {
            case CPlatformEvent::kExpose:
                toPresent_ = toPresent_.united(event.area);
                break;
            case CPlatformEvent::kCloseRequest:
                if (listener_ != nullptr) listener_->closeRequested();
                break;
            case CPlatformEvent::kMouseDown:
            case CPlatformEvent::kMouseUp:
            case CPlatformEvent::kWheel:
            case CPlatformEvent::kKeyDown:
                if (!withInput) {
                    if (heldInput_.size() < kHeldInputLimit) heldInput_.push_back(event);
                } else if (event.type == CPlatformEvent::kMouseDown) {
                    dispatchMouseDown(event.where, event.buttons);
                } else if (event.type == CPlatformEvent::kWheel) {
                    dispatchWheel(event.where, event.distance);
                } else if (event.type == CPlatformEvent::kKeyDown) {
                    dispatchKey(event.key);
                }
                break;
        }
        // A press runs its control's whole drag; whatever followed it is handled next idle.
        if (withInput && event.type == CPlatformEvent::kMouseDown) break;
    }
}

void CFrame::dispatchMouseDown(const CPoint& where, int32_t buttons) {
    if (focus_ != nullptr && !focus_->getFrameRect().pointInside(where)) setFocusView(nullptr);
    CDrawContext context(this, backing_, scale_);
    CDrawContext* outer = eventContext_;
    eventContext_ = &context;
    ++trackingDepth_;
    CPoint point = where;
    if (modal_ != nullptr) {
        if (modal_->isVisible() && modal_->getFrameRect().pointInside(where)) {
            const CPoint origin = modal_->getFrameOrigin();
            context.setOffset(origin);
            point.offset(-origin.h, -origin.v);
            modal_->mouse(&context, point, buttons);
        }
    } else {
        CViewContainer::mouse(&context, point, buttons);
    }
    if (--trackingDepth_ == 0) heldInput_.clear();
    eventContext_ = outer;
    collectTouched(&context);
    drawDirty();
    present();
}

void CFrame::dispatchWheel(const CPoint& where, float distance) {
    CDrawContext context(this, backing_, scale_);
    if (modal_ != nullptr) {
        if (!modal_->getFrameRect().pointInside(where)) return;
        const CPoint origin = modal_->getFrameOrigin();
        context.setOffset(origin);
        modal_->onWheel(&context, {where.h - origin.h, where.v - origin.v}, distance);
    } else {
        CViewContainer::onWheel(&context, where, distance);
    }
    collectTouched(&context);
}

bool CFrame::dispatchKey(const CKeyEvent& key) {
    if (focus_ != nullptr && focus_->onKeyDown(key) == 1) {
        drawDirty();
        present();
        return true;
    }
    return false;
}

void CFrame::invalidate(const CRect& frameRect) {
    const CRect clipped = frameRect.intersection(size);
    if (!clipped.isEmpty()) invalid_.push_back(clipped);
}

void CFrame::redraw() {
    drawArea(size);
    present();
}

void CFrame::drawArea(const CRect& frameRect) {
    const CRect area = frameRect.intersection(size);
    if (area.isEmpty()) return;
    CDrawContext context(this, backing_, scale_);
    context.setClipRect(area);
    CViewContainer::draw(&context);
    if (modal_ != nullptr && modal_->isVisible()) {
        context.setOffset(modal_->getFrameOrigin());
        modal_->draw(&context);
    }
    collectTouched(&context);
    toPresent_ = toPresent_.united(area);
}

void CFrame::drawDirty() {
    std::vector<CRect> areas;
    areas.swap(invalid_);
    collectDirty(areas);
    if (modal_ != nullptr && !isChild(modal_) && modal_->getParentView() == this) {
        if (modal_->isContainer()) {
            static_cast<CViewContainer*>(modal_)->collectDirty(areas);
        } else if (modal_->isDirty()) {
            areas.push_back(modal_->getFrameRect());
        }
    }
    for (const CRect& area : areas)
        drawArea(area);
    clearDirty();
    if (modal_ != nullptr) {
        if (modal_->isContainer()) {
            static_cast<CViewContainer*>(modal_)->clearDirty();
        } else {
            modal_->setDirty(false);
        }
    }
}

void CFrame::collectTouched(CDrawContext* context) {
    toPresent_ = toPresent_.united(context->takeTouchedArea());
}

void CFrame::present() {
    if (toPresent_.isEmpty()) return;
    cairo_surface_flush(backing_);
    if (platform_) platform_->present(backing_, toPixels(toPresent_));
    ++presentCount_;
    toPresent_ = {};
}

bool CFrame::setModalView(CView* view) {
    if (view == modal_) return true;
    if (view != nullptr && modal_ != nullptr) return false;
    if (modal_ != nullptr) {
        CView* old = modal_;
        modal_ = nullptr;
        invalidate(old->getFrameRect());
        if (modalAttachedHere_) {
            old->removed();
        }
        modalAttachedHere_ = false;
    }
    if (view != nullptr) {
        if (focus_ != nullptr) setFocusView(nullptr);
        modalAttachedHere_ = view->getParentView() == nullptr;
        if (modalAttachedHere_) view->attached(this, this);
        modal_ = view;
        invalidate(view->getFrameRect());
    }
    return true;
}

void CFrame::setFocusView(CView* view) {
    if (view == focus_) return;
    CView* old = focus_;
    focus_ = view;
    if (old != nullptr) old->looseFocus();
    if (platform_) {
        if (old == nullptr && focus_ != nullptr) platform_->takeKeyboardFocus();
        if (old != nullptr && focus_ == nullptr) platform_->releaseKeyboardFocus();
    }
    if (focus_ != nullptr) focus_->takeFocus();
}

void CFrame::beginEdit(int32_t tag) {
    if (listener_ != nullptr) listener_->beginEdit(tag);
}

void CFrame::endEdit(int32_t tag) {
    if (listener_ != nullptr) listener_->endEdit(tag);
}

void CFrame::viewGone(CView* view) {
    if (view == modal_) {
        modal_ = nullptr;
        modalAttachedHere_ = false;
    }
    if (view == focus_) {
        focus_ = nullptr;
        if (platform_) platform_->releaseKeyboardFocus();
    }
}

}  // namespace sorvella
