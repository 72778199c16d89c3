#include "toolkit/buttons.h"

#include "toolkit/bitmap.h"

namespace sorvella {
namespace {

// Without a bitmap a button draws a plain bevel, dark when on.
void drawPlainButton(CDrawContext* context, const CRect& size, bool on) {
    context->setFillColor(on ? CColor{170, 40, 40, 255} : CColor{150, 150, 150, 255});
    context->setFrameColor({50, 50, 50, 255});
    context->drawRect(size, kDrawFilledAndStroked);
}

}  // namespace

COnOffButton::COnOffButton(const CRect& size, CControlListener* listener, int32_t tag,
                           CBitmap* background)
    : CControl(size, listener, tag, background) {}

void COnOffButton::draw(CDrawContext* context) {
    drawBackgroundBehind(context);
    const bool on = value_ != 0.0f;
    if (CBitmap* bitmap = getBackground()) {
        bitmap->draw(context, size, {0, on ? bitmap->getHeight() / 2 : 0});
    } else {
        drawPlainButton(context, size, on);
    }
    setDirty(false);
}

void COnOffButton::mouse(CDrawContext* context, CPoint&, int32_t buttons) {
    if (!getMouseEnabled()) return;
    if (buttons == -1) buttons = context->getMouseButtons();
    if (!(buttons & kLButton)) return;
    beginEdit();
    value_ = (value_ == 0.0f) ? 1.0f : 0.0f;
    setDirty();
    notifyListener(context);
    endEdit();
}

CKickButton::CKickButton(const CRect& size, CControlListener* listener, int32_t tag,
                         int32_t heightOfOneImage, CBitmap* background, const CPoint& offset)
    : CControl(size, listener, tag, background),
      heightOfOneImage_(heightOfOneImage),
      offset_(offset) {}

void CKickButton::draw(CDrawContext* context) {
    drawBackgroundBehind(context);
    const bool pressed = value_ != 0.0f;
    if (CBitmap* bitmap = getBackground()) {
        bitmap->draw(context, size, {offset_.h, offset_.v + (pressed ? heightOfOneImage_ : 0)});
    } else {
        drawPlainButton(context, size, pressed);
    }
    setDirty(false);
}

void CKickButton::mouse(CDrawContext* context, CPoint& where, int32_t buttons) {
    if (!getMouseEnabled()) return;
    if (buttons == -1) buttons = context->getMouseButtons();
    if (!(buttons & kLButton)) return;
    beginEdit();
    auto show = [&](float value) {
        value_ = value;
        draw(context);
        notifyListener(context);
    };
    show(1.0f);
    CPoint pointer = where;
    while (true) {
        doIdleStuff();
        if (!(context->getMouseButtons() & kLButton)) break;
        context->getMouseLocation(pointer);
        const float inside = size.pointInside(pointer) ? 1.0f : 0.0f;
        if (inside != value_) show(inside);
    }
    show(0.0f);
    endEdit();
}

}  // namespace sorvella
