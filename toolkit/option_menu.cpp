#include "toolkit/option_menu.h"

#include "toolkit/bitmap.h"
#include "toolkit/frame.h"
#include "toolkit/menu_session.h"

namespace sorvella {

COptionMenu::COptionMenu(const CRect& size, CControlListener* listener, int32_t tag,
                         CBitmap* background, CBitmap* backgroundWhenClicked, int32_t style)
    : CParamDisplay(size, background, style), backgroundWhenClicked_(backgroundWhenClicked) {
    setListener(listener);
    setTag(tag);
    setDefaultValue(0.0f);
    setMin(0.0f);
    setMax(0.0f);
}

bool COptionMenu::addEntry(const char* text, int32_t index) {
    if (text == nullptr) return false;
    Entry entry{text, nullptr, false};
    if (index < 0 || index > getNbEntries()) {
        entries_.push_back(entry);
    } else {
        entries_.insert(entries_.begin() + index, entry);
    }
    setMax(static_cast<float>(getNbEntries() - 1));
    setDirty();
    return true;
}

bool COptionMenu::addEntry(COptionMenu* submenu, const char* text) {
    if (submenu == nullptr || submenu == this || text == nullptr) return false;
    entries_.push_back({text, submenu, false});
    setMax(static_cast<float>(getNbEntries() - 1));
    return true;
}

bool COptionMenu::removeAllEntry() {
    entries_.clear();
    current_ = 0;
    value_ = 0.0f;
    setMax(0.0f);
    setDirty();
    return true;
}

const char* COptionMenu::getEntry(int32_t index) const {
    if (index < 0 || index >= getNbEntries()) return nullptr;
    return entries_[static_cast<size_t>(index)].text.c_str();
}

COptionMenu* COptionMenu::getSubMenu(int32_t index) const {
    if (index < 0 || index >= getNbEntries()) return nullptr;
    return entries_[static_cast<size_t>(index)].submenu;
}

bool COptionMenu::isSeparator(int32_t index) const {
    const char* text = getEntry(index);
    return text != nullptr && std::string(text) == "-" && getSubMenu(index) == nullptr;
}

bool COptionMenu::checkEntry(int32_t index, bool checked) {
    if (index < 0 || index >= getNbEntries()) return false;
    entries_[static_cast<size_t>(index)].checked = checked;
    return true;
}

bool COptionMenu::isCheckEntry(int32_t index) const {
    if (index < 0 || index >= getNbEntries()) return false;
    // An entry that opens a submenu is a heading, never a choice to mark.
    if (getSubMenu(index) != nullptr) return false;
    if ((getStyle() & kCheckStyle) && index == current_) return true;
    return entries_[static_cast<size_t>(index)].checked;
}

bool COptionMenu::setCurrent(int32_t index) {
    if (index < 0 || index >= getNbEntries()) return false;
    current_ = index;
    value_ = static_cast<float>(index);
    setDirty();
    return true;
}

void COptionMenu::setValue(float value) {
    // NaN and values beyond the int range fail both tests and are ignored as well.
    if (!(value >= 0.0f && value < static_cast<float>(getNbEntries()))) return;
    setCurrent(static_cast<int32_t>(value));
}

std::string COptionMenu::displayText() const {
    const char* text = getEntry(current_);
    return text != nullptr ? text : "";
}

void COptionMenu::draw(CDrawContext* context) {
    if (!(getStyle() & kPopupStyle)) drawText(context, displayText());
    setDirty(false);
}

void COptionMenu::mouse(CDrawContext* context, CPoint& where, int32_t buttons) {
    if (!getMouseEnabled()) return;
    if (buttons == -1) buttons = context->getMouseButtons();
    if (!(buttons & (kLButton | kRButton))) return;
    const CPoint origin = context->getOffset();
    const CPoint topLeft = (getStyle() & kPopupStyle) || size.isEmpty()
                               ? CPoint(where.h + origin.h, where.v + origin.v)
                               : CPoint(size.left + origin.h, size.bottom + origin.v);
    beginEdit();
    popup(context, topLeft);
    endEdit();
}

bool COptionMenu::popup(CDrawContext* context, const CPoint& frameTopLeft) {
    lastMenu_ = nullptr;
    lastResult_ = -1;
    CFrame* frame = getFrame() != nullptr ? getFrame() : context->getFrame();
    if (frame == nullptr || entries_.empty()) return false;
    const CMenuChoice choice = CMenuSession(frame, this).run(frameTopLeft);
    if (choice.menu == nullptr) return false;
    lastMenu_ = choice.menu;
    lastResult_ = choice.index;
    choice.menu->setCurrent(choice.index);
    choice.menu->notifyListener(context);
    return true;
}

}  // namespace sorvella
