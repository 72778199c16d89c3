// One popup of a menu and its submenus, from opening to a choice or a cancel. Each open level is a
// popup window of the platform; the pointer is polled each pass. A press, a drag onto an entry and
// a release there choose it; a click that only opens the menu leaves it open for a second click.
// A click outside every level, a release outside after the pointer visited an entry, or Escape
// cancels. Up and Down move through the entries, Right and Left into and out of submenus, Return
// chooses.
// Separators cannot be chosen; resting on a submenu entry opens the submenu beside it.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "toolkit/geometry.h"
#include "toolkit/platform_window.h"

typedef struct _cairo_surface cairo_surface_t;

namespace sorvella {

class CFrame;
class COptionMenu;

struct CMenuChoice {
    COptionMenu* menu = nullptr;
    int32_t index = -1;
};

class CMenuSession {
  public:
    static constexpr int32_t kEntryHeight = 18;
    static constexpr int32_t kSeparatorHeight = 7;
    static constexpr int32_t kBorder = 2;

    CMenuSession(CFrame* frame, COptionMenu* root);
    ~CMenuSession();

    CMenuChoice run(const CPoint& frameTopLeft);

    // The rectangle of a menu's popup with its top-left corner at a point, and the frame-relative
    // rectangle of one entry inside it; shared with tests that click entries.
    static CRect popupRect(COptionMenu* menu, const CPoint& topLeft);
    static CRect entryRect(COptionMenu* menu, const CRect& popup, int32_t index);

  private:
    struct Level {
        COptionMenu* menu = nullptr;
        CRect rect;
        int32_t highlighted = -1;
        std::unique_ptr<CPlatformPopup> popup;
    };

    void open(COptionMenu* menu, CPoint topLeft, int32_t besideLeft);
    void closeFrom(size_t level);
    void paint(Level& level);
    int32_t entryAt(const Level& level, const CPoint& where) const;
    // Highlights the entry under the pointer, opening or closing submenus to match.
    void hover(const CPoint& where, int32_t& levelHit, int32_t& entry);
    // Highlights an entry of a level (or none, -1), closing deeper levels and opening the
    // entry's submenu.
    void highlight(size_t levelIndex, int32_t entry);
    bool handleKey(const CKeyEvent& key, CMenuChoice& choice);
    // True when the event ends the session (with a choice, or none).
    bool handle(const CPlatformEvent& event, CMenuChoice& choice);

    CFrame* frame_;
    COptionMenu* root_;
    std::vector<Level> levels_;
    bool visitedEntry_ = false;
    bool releasedOnce_ = false;
    size_t keyLevel_ = 0;  // the level the arrow keys move in
};

}  // namespace sorvella
