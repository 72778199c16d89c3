#include "standalone/dialog_widgets.h"

#include <optional>

namespace sorvella {

namespace {

constexpr CColor kInk{20, 20, 20, 255};
constexpr CColor kEdge{120, 120, 120, 255};
constexpr CColor kFace{225, 225, 225, 255};
constexpr CColor kFacePressed{185, 185, 185, 255};
constexpr CColor kDialogFace{212, 212, 212, 255};

}  // namespace

DialogLabel::DialogLabel(const CRect& size, std::string text, CHoriTxtAlign align)
    : CView(size), text_(std::move(text)), align_(align) {
    setMouseEnabled(false);
}

void DialogLabel::setText(std::string text) {
    text_ = std::move(text);
    setDirty();
}

void DialogLabel::draw(CDrawContext* context) {
    context->setFillColor(kDialogFace);
    context->fillRect(size);
    context->setFont(kNormalFont);
    context->setFontColor(kInk);
    context->drawString(text_, size, false, align_);
    setDirty(false);
}

DialogGroup::DialogGroup(const CRect& size, std::string caption)
    : CView(size), caption_(std::move(caption)) {
    setMouseEnabled(false);
}

void DialogGroup::draw(CDrawContext* context) {
    context->setFont(kNormalFont);
    const int32_t captionWidth = context->getStringWidth(caption_);
    const int32_t line = size.top + 7;
    context->setFrameColor(kEdge);
    context->drawRect({size.left, line, size.right, size.bottom});
    const CRect captionRect(size.left + 8, size.top, size.left + 14 + captionWidth, size.top + 14);
    context->setFillColor(kDialogFace);
    context->fillRect(captionRect);
    context->setFontColor(kInk);
    context->drawString(caption_, captionRect, false, kCenterText);
    setDirty(false);
}

DialogButton::DialogButton(const CRect& size, CControlListener* listener, int32_t tag,
                           std::string text, bool isDefault)
    : CControl(size, listener, tag), text_(std::move(text)), default_(isDefault) {}

void DialogButton::draw(CDrawContext* context) {
    context->setFillColor(pressed_ ? kFacePressed : kFace);
    context->setFrameColor(default_ ? kInk : kEdge);
    context->setLineWidth(default_ ? 2 : 1);
    context->drawRect(size, kDrawFilledAndStroked);
    context->setLineWidth(1);
    context->setFont(kNormalFont);
    context->setFontColor(kInk);
    context->drawString(text_, size, false, kCenterText);
    setDirty(false);
}

void DialogButton::mouse(CDrawContext* context, CPoint& where, int32_t buttons) {
    if (!getMouseEnabled()) return;
    if (buttons == -1) buttons = context->getMouseButtons();
    if (!(buttons & kLButton)) return;
    auto show = [&](bool pressed) {
        pressed_ = pressed;
        draw(context);
    };
    show(true);
    CPoint pointer = where;
    while (true) {
        doIdleStuff();
        if (!(context->getMouseButtons() & kLButton)) break;
        context->getMouseLocation(pointer);
        if (size.pointInside(pointer) != pressed_) show(size.pointInside(pointer));
    }
    const bool clicked = pressed_;
    show(false);
    if (!clicked) return;
    value_ = 1.0f;
    notifyListener(context);
    value_ = 0.0f;
}

DialogChoice::DialogChoice(const CRect& size, CControlListener* listener, int32_t tag)
    : COptionMenu(size, listener, tag, nullptr, nullptr, kCheckStyle) {
    setFont(kNormalFont);
    setHoriAlign(kLeftText);
}

void DialogChoice::choose(std::optional<std::size_t> entry) {
    chosen_ = entry && setCurrent(static_cast<int32_t>(*entry));
    setDirty();
}

std::optional<std::size_t> DialogChoice::choice() const {
    if (!chosen_) return std::nullopt;
    return static_cast<std::size_t>(getCurrent());
}

std::string DialogChoice::displayText() const {
    if (!chosen_) return {};
    std::string text(1, ' ');
    text.append(COptionMenu::displayText());
    return text;
}

void DialogChoice::draw(CDrawContext* context) {
    // A long name is cut short with "...", so that it stays clear of the arrow.
    constexpr std::int32_t kArrowWidth = 20;
    std::string text = displayText();
    context->setFont(getFont());
    if (context->getStringWidth(text) > size.width() - kArrowWidth) {
        while (!text.empty() && context->getStringWidth(text + "...") > size.width() - kArrowWidth)
            text.pop_back();
        text += "...";
    }
    drawText(context, text);
    const std::int32_t x = size.right - 10;
    const std::int32_t y = size.top + size.height() / 2 - 2;
    const CPoint arrow[] = {{x - 4, y}, {x + 4, y}, {x, y + 4}};
    context->setFillColor(kInk);
    context->setFrameColor(kInk);
    context->drawPolygon(arrow, 3, kDrawFilledAndStroked);
    setDirty(false);
}

void DialogChoice::mouse(CDrawContext* context, CPoint& where, int32_t buttons) {
    if (getNbEntries() == 0) return;
    const bool wasChosen = chosen_;
    chosen_ = true;  // the listener reads the choice when the menu reports
    COptionMenu::mouse(context, where, buttons);
    if (getLastResult() < 0) chosen_ = wasChosen;
    setDirty();
}

}  // namespace sorvella
