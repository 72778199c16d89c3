#include "toolkit/inertial_anim_knob.h"

namespace sorvella {

CInertialAnimKnob::CInertialAnimKnob(const CRect& size, CControlListener* listener, int32_t tag,
                                     int32_t subPixmaps, int32_t heightOfOneImage,
                                     CBitmap* background, const CPoint& offset)
    : CAnimKnob(size, nullptr, tag, subPixmaps, heightOfOneImage, background, offset),
      realListener_(listener) {
    setListener(this);
}

void CInertialAnimKnob::setInertia(int32_t level) {
    if (level < 0 || level > 5) level = 0;
    glideSteps_ = kGlideSteps[level];
    glideFactor_ = 1.0f / static_cast<float>(glideSteps_);
}

void CInertialAnimKnob::setValue(float value) {
    current_ = value;
    if (stepsLeft_ == 0) increment_ = 0.0f;
    value_ = value;
    setDirty();
}

void CInertialAnimKnob::valueChanged(CDrawContext* context, CControl*) {
    stepsLeft_ = glideSteps_;
    target_ = value_;
    increment_ = (value_ - current_) * glideFactor_;
    report(context);
}

void CInertialAnimKnob::doIdleStuff() {
    if (stepsLeft_ != 0) {
        --stepsLeft_;
        // The last step lands on the target itself, so a glide to the end of the range reaches
        // it exactly rather than a rounding error short.
        current_ = stepsLeft_ == 0 ? target_ : current_ + increment_;
        report(nullptr);
    }
    CAnimKnob::doIdleStuff();
}

void CInertialAnimKnob::report(CDrawContext* context) {
    if (realListener_ != nullptr) realListener_->valueChanged(context, this);
}

void CInertialAnimKnob::finishGlide(CDrawContext* context) {
    while (stepsLeft_ != 0) {
        doIdleStuff();
        draw(context);
        report(context);
    }
}

bool CInertialAnimKnob::onWheel(CDrawContext* context, const CPoint&, float distance) {
    if (!getMouseEnabled()) return false;
    beginEdit();
    value_ = value_ + distance * (getMax() - getMin()) / 100.0f;
    bounceValue();
    valueChanged(context, this);
    finishGlide(context);
    endEdit();
    return true;
}

void CInertialAnimKnob::mouse(CDrawContext* context, CPoint& where, int32_t buttons) {
    if (!getMouseEnabled()) return;
    if (buttons == -1) buttons = context->getMouseButtons();
    if (!(buttons & kLButton)) return;
    beginEdit();
    if (buttons == (kLButton | kControl)) {
        value_ = getDefaultValue();
        bounceValue();
        valueChanged(context, this);
        finishGlide(context);
    } else {
        trackMouse(context, where);
        if (!(context->getMouseButtons() & kLButton)) {
            finishGlide(context);
            doIdleStuff();
        }
    }
    endEdit();
}

}  // namespace sorvella
