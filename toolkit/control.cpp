#include "toolkit/control.h"

#include "toolkit/frame.h"

namespace sorvella {

CControl::CControl(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background)
    : CView(size), listener_(listener), tag_(tag) {
    if (background != nullptr) setBackground(background);
}

void CControl::bounceValue() {
    if (value_ > max_) value_ = max_;
    if (value_ < min_) value_ = min_;
}

float CControl::normalizedValue() const {
    const float range = max_ - min_;
    if (!(range > 0.0f)) return 0.0f;
    const float fraction = (value_ - min_) / range;
    return fraction < 0.0f ? 0.0f : (fraction > 1.0f ? 1.0f : fraction);
}

void CControl::beginEdit() {
    if (getFrame() != nullptr) getFrame()->beginEdit(tag_);
}

void CControl::endEdit() {
    if (getFrame() != nullptr) getFrame()->endEdit(tag_);
}

void CControl::notifyListener(CDrawContext* context) {
    if (listener_ != nullptr) listener_->valueChanged(context, this);
}

}  // namespace sorvella
