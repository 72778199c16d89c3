#include "toolkit/text_edit.h"

#include "toolkit/frame.h"

namespace sorvella {

CTextEdit::CTextEdit(const CRect& size, CControlListener* listener, int32_t tag, const char* text,
                     CBitmap* background, int32_t style)
    : CParamDisplay(size, background, style) {
    setListener(listener);
    setTag(tag);
    setText(text != nullptr ? text : "");
}

void CTextEdit::setText(const std::string& text) {
    text_ = text.substr(0, static_cast<size_t>(maxLength_));
    if (caret_ > text_.size()) caret_ = text_.size();
    setDirty();
}

void CTextEdit::setMaxLength(int32_t characters) {
    maxLength_ = characters < 0 ? 0 : characters;
    setText(text_);
}

void CTextEdit::draw(CDrawContext* context) {
    if (!editing_) {
        drawText(context, text_);
        setDirty(false);
        return;
    }
    // While editing the field is drawn opaque, so the caret and the text stand out.
    context->setFillColor(kWhiteCColor);
    context->setFrameColor({60, 90, 140, 255});
    context->drawRect(size, kDrawFilledAndStroked);
    context->setFont(getFont());
    context->setFontColor(kBlackCColor);
    const CRect inner(size.left + 2, size.top, size.right - 2, size.bottom);
    context->drawString(text_, inner, false, kLeftText);
    const int32_t x = inner.left + context->getStringWidth(text_.substr(0, caret_));
    context->setFrameColor(kBlackCColor);
    context->drawLine({x, size.top + 1}, {x, size.bottom - 2});
    setDirty(false);
}

void CTextEdit::mouse(CDrawContext* context, CPoint& where, int32_t buttons) {
    if (!getMouseEnabled()) return;
    if (buttons == -1) buttons = context->getMouseButtons();
    if (!(buttons & kLButton)) return;
    if (!editing_) {
        if (getFrame() != nullptr) getFrame()->setFocusView(this);
        if (!editing_) takeFocus();  // a field outside a frame edits on its own
    }
    // The caret goes to the character boundary nearest the click.
    context->setFont(getFont());
    const int32_t x = where.h - (size.left + 2);
    caret_ = text_.size();
    for (size_t i = 0; i <= text_.size(); ++i) {
        const int32_t boundary = context->getStringWidth(text_.substr(0, i));
        const int32_t next = context->getStringWidth(text_.substr(0, i + 1));
        if (x < (boundary + next) / 2 || i == text_.size()) {
            caret_ = i;
            break;
        }
    }
    setDirty();
}

int32_t CTextEdit::onKeyDown(const CKeyEvent& key) {
    if (!editing_) return -1;
    switch (key.virt) {
        case kVirtReturn:
        case kVirtEnter:
        case kVirtTab:
            if (getFrame() != nullptr && getFrame()->getFocusView() == this) {
                getFrame()->setFocusView(nullptr);
            } else {
                looseFocus();
            }
            return 1;
        case kVirtEscape:
            cancelled_ = true;
            text_ = original_;
            if (getFrame() != nullptr && getFrame()->getFocusView() == this) {
                getFrame()->setFocusView(nullptr);
            } else {
                looseFocus();
            }
            return 1;
        case kVirtBack:
            if (caret_ > 0) text_.erase(--caret_, 1);
            break;
        case kVirtDelete:
            if (caret_ < text_.size()) text_.erase(caret_, 1);
            break;
        case kVirtLeft:
            if (caret_ > 0) --caret_;
            break;
        case kVirtRight:
            if (caret_ < text_.size()) ++caret_;
            break;
        case kVirtHome:
            caret_ = 0;
            break;
        case kVirtEnd:
            caret_ = text_.size();
            break;
        default:
            // Printable ASCII only: the texts are stored as plain bytes.
            if (key.character >= 0x20 && key.character < 0x7f &&
                text_.size() < static_cast<size_t>(maxLength_)) {
                text_.insert(caret_++, 1, static_cast<char>(key.character));
            }
            break;
    }
    setDirty();
    return 1;
}

void CTextEdit::takeFocus() {
    if (editing_) return;
    editing_ = true;
    cancelled_ = false;
    original_ = text_;
    caret_ = text_.size();
    beginEdit();
    setDirty();
}

void CTextEdit::looseFocus() {
    if (!editing_) return;
    editing_ = false;
    setDirty();
    if (!cancelled_) notifyListener(nullptr);
    endEdit();
}

}  // namespace sorvella
