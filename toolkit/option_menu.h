// A menu of text entries. In the page it shows its current entry like a parameter display (or
// nothing, in popup style); a left or right click pops it up. The entry "-" is a separator, which
// counts as an entry; an entry may open a submenu (not owned). Choosing an entry of this menu makes
// it current, sets the value to its index and reports; choosing an entry of a submenu does the
// same on the submenu and reports to the submenu's listener.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "toolkit/param_display.h"

namespace sorvella {

enum COptionMenuStyle : int32_t {
    kPopupStyle = 1 << 8,  // invisible in the page: a popup only
    kCheckStyle = 1 << 9,  // the current entry carries a check mark
};

class COptionMenu : public CParamDisplay {
  public:
    COptionMenu(const CRect& size, CControlListener* listener, int32_t tag,
                CBitmap* background = nullptr, CBitmap* backgroundWhenClicked = nullptr,
                int32_t style = 0);

    bool addEntry(const char* text, int32_t index = -1);
    bool addEntry(COptionMenu* submenu, const char* text);
    bool removeAllEntry();
    int32_t getNbEntries() const { return static_cast<int32_t>(entries_.size()); }
    // The entry's text, or none outside the entries.
    const char* getEntry(int32_t index) const;
    COptionMenu* getSubMenu(int32_t index) const;
    bool isSeparator(int32_t index) const;
    bool checkEntry(int32_t index, bool checked);
    bool isCheckEntry(int32_t index) const;

    // False, changing nothing, for an index outside the entries.
    bool setCurrent(int32_t index);
    int32_t getCurrent() const { return current_; }
    // Selects entry trunc(value); values outside the entries are ignored.
    void setValue(float value) override;

    // The menu and entry of the last choice (this menu or a submenu), or none and -1 when the
    // last popup was closed without a choice.
    COptionMenu* getLastMenu() const { return lastMenu_; }
    int32_t getLastResult() const { return lastResult_; }

    std::string displayText() const override;
    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, int32_t buttons = -1) override;
    void takeFocus() override {}
    void looseFocus() override {}

    // Pops the menu up with its top-left corner at a frame point and lets the user choose.
    // Answers whether an entry was chosen.
    bool popup(CDrawContext* context, const CPoint& frameTopLeft);

  private:
    struct Entry {
        std::string text;
        COptionMenu* submenu = nullptr;
        bool checked = false;
    };
    friend class CMenuSession;

    std::vector<Entry> entries_;
    std::atomic<int32_t> current_{0};
    COptionMenu* lastMenu_ = nullptr;
    int32_t lastResult_ = -1;
    CBitmap* backgroundWhenClicked_ = nullptr;
};

}  // namespace sorvella
