#include "toolkit/knob.h"

#include <atomic>
#include <cmath>

#include "toolkit/bitmap.h"

namespace sorvella {
namespace {

std::atomic<int32_t> knobMode{kLinearMode};

constexpr double kArcStartDegrees = 225.0;  // lower left, counter-clockwise from the right

}  // namespace

void setKnobMode(CKnobMode mode) {
    knobMode.store(mode, std::memory_order_relaxed);
}

CKnobMode getKnobMode() {
    return knobMode.load(std::memory_order_relaxed) == kLinearMode ? kLinearMode : kCircularMode;
}

CKnob::CKnob(const CRect& size, CControlListener* listener, int32_t tag)
    : CControl(size, listener, tag) {}

void CKnob::mouse(CDrawContext* context, CPoint& where, int32_t buttons) {
    if (!getMouseEnabled()) return;
    if (buttons == -1) buttons = context->getMouseButtons();
    if (!(buttons & kLButton)) return;
    beginEdit();
    if (buttons == (kLButton | kControl)) {
        value_ = getDefaultValue();
        bounceValue();
        setDirty();
        notifyListener(context);
    } else {
        trackMouse(context, where);
    }
    endEdit();
}

bool CKnob::onWheel(CDrawContext* context, const CPoint&, float distance) {
    if (!getMouseEnabled()) return false;
    beginEdit();
    value_ += distance * (getMax() - getMin()) / 100.0f;
    bounceValue();
    setDirty();
    notifyListener(context);
    endEdit();
    return true;
}

float CKnob::valueFromAngle(const CPoint& where) const {
    const double cx = (size.left + size.right) / 2.0;
    const double cy = (size.top + size.bottom) / 2.0;
    const double degrees = std::atan2(cy - where.v, where.h - cx) * 180.0 / M_PI;
    // Clockwise distance from the arc's start, 0..360.
    double sweep = std::fmod(kArcStartDegrees - degrees + 720.0, 360.0);
    double fraction = sweep / kArcDegrees;
    if (sweep > kArcDegrees) fraction = sweep < (kArcDegrees + 360.0) / 2.0 ? 1.0 : 0.0;
    return getMin() + static_cast<float>(fraction) * (getMax() - getMin());
}

double CKnob::angleForValue(float normalized) const {
    return kArcStartDegrees - normalized * kArcDegrees;
}

void CKnob::trackMouse(CDrawContext* context, const CPoint& where) {
    const float range = getMax() - getMin();
    CPointerState pointer{where, context->getMouseButtons(), true};
    CPoint start = where;
    CPoint previous = where;
    float startValue = value_;
    auto circularFor = [](int32_t buttons) {
        return (getKnobMode() == kCircularMode) != ((buttons & kAlt) != 0);
    };
    bool wasFine = (pointer.buttons & kShift) != 0;
    bool wasCircular = circularFor(pointer.buttons);
    while (true) {
        pointer.buttons = context->getMouseButtons();
        context->getMouseLocation(pointer.where);
        if (!(pointer.buttons & kLButton)) break;
        const bool fine = (pointer.buttons & kShift) != 0;
        const bool circular = circularFor(pointer.buttons);
        if (fine != wasFine || circular != wasCircular) {
            // Rebase, so that pressing or letting go of a modifier never makes the value jump.
            start = pointer.where;
            startValue = value_;
            wasFine = fine;
            wasCircular = circular;
        }
        if (pointer.where != previous) {
            float target;
            if (circular) {
                target = valueFromAngle(pointer.where);
                // Across the gap at the bottom: stay at the end the pointer came from.
                if (std::fabs(target - value_) > range / 2.0f) {
                    target = (value_ - getMin() < range / 2.0f) ? getMin() : getMax();
                }
            } else {
                const int32_t pixels = (start.v - pointer.where.v) + (pointer.where.h - start.h);
                target = startValue + pixels * range / (fine ? kFinePixels : kLinearPixels);
            }
            value_ = target;
            bounceValue();
            previous = pointer.where;
            setDirty();
            notifyListener(context);
        }
        doIdleStuff();
    }
}

void CKnob::draw(CDrawContext* context) {
    drawBackgroundBehind(context);
    CRect body = size;
    const int32_t side = std::min(size.width(), size.height());
    body = CRect::fromSize(size.left + (size.width() - side) / 2,
                           size.top + (size.height() - side) / 2, side, side);
    context->setFillColor(bodyColor_);
    context->setFrameColor(handleColor_);
    context->drawEllipse(body, kDrawFilled);
    const double radians = angleForValue(normalizedValue()) * M_PI / 180.0;
    const double cx = body.left + side / 2.0;
    const double cy = body.top + side / 2.0;
    const double reach = side / 2.0 - 3.0;
    context->setLineWidth(2);
    context->drawLine({static_cast<int32_t>(cx), static_cast<int32_t>(cy)},
                      {static_cast<int32_t>(std::lround(cx + reach * std::cos(radians))),
                       static_cast<int32_t>(std::lround(cy - reach * std::sin(radians)))});
    context->setLineWidth(1);
    setDirty(false);
}

CAnimKnob::CAnimKnob(const CRect& size, CControlListener* listener, int32_t tag, int32_t subPixmaps,
                     int32_t heightOfOneImage, CBitmap* background, const CPoint& offset)
    : CKnob(size, listener, tag),
      subPixmaps_(subPixmaps < 1 ? 1 : subPixmaps),
      heightOfOneImage_(heightOfOneImage),
      offset_(offset) {
    setBackground(background);
}

int32_t CAnimKnob::frameShown() const {
    return static_cast<int32_t>(normalizedValue() * static_cast<float>(subPixmaps_ - 1));
}

void CAnimKnob::draw(CDrawContext* context) {
    CBitmap* film = getBackground();
    if (film == nullptr) {
        CKnob::draw(context);
        return;
    }
    drawBackgroundBehind(context);
    film->draw(context, size, {offset_.h, offset_.v + frameShown() * heightOfOneImage_});
    setDirty(false);
}

}  // namespace sorvella
