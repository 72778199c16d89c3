#include "toolkit/param_display.h"

#include <cstdio>

#include "toolkit/bitmap.h"

namespace sorvella {

CParamDisplay::CParamDisplay(const CRect& size, CBitmap* background, int32_t style)
    : CControl(size, nullptr, 0, background), style_(style) {
    setDefaultValue(0.0f);
}

void CParamDisplay::setStringConvert(CParamDisplayConvert convert, void* userData) {
    convert_ = convert;
    userData_ = userData;
    setDirty();
}

std::string CParamDisplay::displayText() const {
    char text[kTextCapacity] = {};
    if (convert_ != nullptr) {
        convert_(value_, text, userData_);
        text[kTextCapacity - 1] = '\0';
    } else {
        std::snprintf(text, sizeof text, "%2.2f", static_cast<double>(value_));
    }
    return text;
}

void CParamDisplay::draw(CDrawContext* context) {
    drawText(context, displayText());
    setDirty(false);
}

void CParamDisplay::drawText(CDrawContext* context, const std::string& text) {
    if (style_ & kNoDrawStyle) return;
    if (getTransparency()) {
        drawBackgroundBehind(context);
    } else if (CBitmap* bitmap = getBackground()) {
        bitmap->draw(context, size);
    } else {
        context->setFillColor(backColor_);
        context->fillRect(size);
        if (!(style_ & kNoFrame)) {
            context->setFrameColor(frameColor_);
            context->drawRect(size);
        }
    }
    if (style_ & kNoTextStyle) return;
    context->setFont(font_);
    context->setFontColor(fontColor_);
    CRect inner = size;
    if (align_ != kCenterText) inner = {size.left + 2, size.top, size.right - 2, size.bottom};
    context->drawString(text, inner, false, align_);
}

}  // namespace sorvella
