#include "toolkit/menu_session.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "toolkit/draw_context.h"
#include "toolkit/frame.h"
#include "toolkit/option_menu.h"

namespace sorvella {
namespace {

constexpr CColor kMenuBack{244, 243, 236, 255};
constexpr CColor kMenuBorder{90, 92, 80, 255};
constexpr CColor kMenuText{30, 30, 30, 255};
constexpr CColor kHighlightBack{62, 92, 128, 255};
constexpr CColor kHighlightText{255, 255, 255, 255};
constexpr CColor kSeparatorLine{180, 180, 170, 255};
constexpr int32_t kCheckColumn = 18;
constexpr int32_t kArrowColumn = 16;

int32_t entryHeight(COptionMenu* menu, int32_t index) {
    return menu->isSeparator(index) ? CMenuSession::kSeparatorHeight : CMenuSession::kEntryHeight;
}

}  // namespace

CMenuSession::CMenuSession(CFrame* frame, COptionMenu* root) : frame_(frame), root_(root) {}

CMenuSession::~CMenuSession() {
    closeFrom(0);
}

CRect CMenuSession::popupRect(COptionMenu* menu, const CPoint& topLeft) {
    // Text widths are measured with a context on a scratch surface.
    cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    int32_t width = 60;
    int32_t height = 2 * kBorder;
    {
        CDrawContext measure(nullptr, scratch);
        measure.setFont(kNormalFont);
        for (int32_t i = 0; i < menu->getNbEntries(); ++i) {
            width = std::max(width, measure.getStringWidth(menu->getEntry(i)) + kCheckColumn +
                                        kArrowColumn + 2 * kBorder);
            height += entryHeight(menu, i);
        }
    }
    cairo_surface_destroy(scratch);
    return CRect::fromSize(topLeft.h, topLeft.v, width, height);
}

CRect CMenuSession::entryRect(COptionMenu* menu, const CRect& popup, int32_t index) {
    int32_t top = popup.top + kBorder;
    for (int32_t i = 0; i < index; ++i)
        top += entryHeight(menu, i);
    return {popup.left + kBorder, top, popup.right - kBorder, top + entryHeight(menu, index)};
}

void CMenuSession::open(COptionMenu* menu, CPoint topLeft, int32_t besideLeft) {
    CRect rect = popupRect(menu, topLeft);
    // Keep the popup on the screen: a submenu that does not fit on the right opens on the left
    // of its parent, and anything that runs off the bottom moves up.
    const CRect screen = frame_->screenArea();
    if (!screen.isEmpty()) {
        if (rect.right > screen.right) {
            const int32_t left =
                besideLeft != INT32_MIN ? besideLeft - rect.width() : screen.right - rect.width();
            rect.moveTo(std::max(screen.left, left), rect.top);
        }
        if (rect.bottom > screen.bottom) {
            rect.moveTo(rect.left, std::max(screen.top, screen.bottom - rect.height()));
        }
    }
    Level level;
    level.menu = menu;
    level.rect = rect;
    level.popup = frame_->createPopup(rect);
    levels_.push_back(std::move(level));
    paint(levels_.back());
}

void CMenuSession::closeFrom(size_t level) {
    while (levels_.size() > level) {
        const CRect area = levels_.back().rect;
        levels_.pop_back();
        frame_->invalidate(area);
    }
}

void CMenuSession::paint(Level& level) {
    // The image has the popup window's pixels: its size in frame units times the frame's scale.
    const double scale = frame_->getScale();
    cairo_surface_t* image = cairo_image_surface_create(
        CAIRO_FORMAT_ARGB32, static_cast<int>(std::ceil(std::max(level.rect.width(), 1) * scale)),
        static_cast<int>(std::ceil(std::max(level.rect.height(), 1) * scale)));
    {
        CDrawContext context(nullptr, image, scale);
        const CRect bounds(0, 0, level.rect.width(), level.rect.height());
        context.setFillColor(kMenuBack);
        context.setFrameColor(kMenuBorder);
        context.drawRect(bounds, kDrawFilledAndStroked);
        context.setFont(kNormalFont);
        COptionMenu* menu = level.menu;
        for (int32_t i = 0; i < menu->getNbEntries(); ++i) {
            CRect entry = entryRect(menu, level.rect, i);
            entry.offset(-level.rect.left, -level.rect.top);
            if (menu->isSeparator(i)) {
                const int32_t y = entry.top + entry.height() / 2;
                context.setFrameColor(kSeparatorLine);
                context.drawLine({entry.left + 4, y}, {entry.right - 5, y});
                continue;
            }
            const bool lit = i == level.highlighted;
            if (lit) {
                context.setFillColor(kHighlightBack);
                context.fillRect(entry);
            }
            const CColor ink = lit ? kHighlightText : kMenuText;
            context.setFontColor(ink);
            context.setFrameColor(ink);
            context.setFillColor(ink);
            context.drawString(
                menu->getEntry(i),
                {entry.left + kCheckColumn, entry.top, entry.right - kArrowColumn, entry.bottom},
                false, kLeftText);
            const int32_t midY = entry.top + entry.height() / 2;
            if (menu->isCheckEntry(i)) {
                context.setLineWidth(2);
                context.drawLine({entry.left + 4, midY}, {entry.left + 7, midY + 3});
                context.drawLine({entry.left + 7, midY + 3}, {entry.left + 13, midY - 4});
                context.setLineWidth(1);
            }
            if (menu->getSubMenu(i) != nullptr) {
                const CPoint arrow[] = {{entry.right - 11, midY - 4},
                                        {entry.right - 6, midY},
                                        {entry.right - 11, midY + 4}};
                context.drawPolygon(arrow, 3, kDrawFilled);
            }
        }
    }
    cairo_surface_flush(image);
    if (level.popup) level.popup->show(image);
    cairo_surface_destroy(image);
}

int32_t CMenuSession::entryAt(const Level& level, const CPoint& where) const {
    if (!level.rect.pointInside(where)) return -1;
    for (int32_t i = 0; i < level.menu->getNbEntries(); ++i) {
        if (entryRect(level.menu, level.rect, i).pointInside(where)) return i;
    }
    return -1;
}

void CMenuSession::hover(const CPoint& where, int32_t& levelHit, int32_t& entry) {
    levelHit = -1;
    entry = -1;
    for (int32_t l = static_cast<int32_t>(levels_.size()) - 1; l >= 0; --l) {
        if (levels_[static_cast<size_t>(l)].rect.pointInside(where)) {
            levelHit = l;
            break;
        }
    }
    if (levelHit < 0) return;
    Level& level = levels_[static_cast<size_t>(levelHit)];
    entry = entryAt(level, where);
    if (entry >= 0 && level.menu->isSeparator(entry)) entry = -1;
    if (entry != level.highlighted) {
        highlight(static_cast<size_t>(levelHit), entry);
        keyLevel_ = static_cast<size_t>(levelHit);
    }
    if (entry >= 0) visitedEntry_ = true;
}

void CMenuSession::highlight(size_t levelIndex, int32_t entry) {
    Level& level = levels_[levelIndex];
    level.highlighted = entry;
    closeFrom(levelIndex + 1);
    paint(levels_[levelIndex]);
    if (COptionMenu* submenu = level.menu->getSubMenu(entry)) {
        const CRect row = entryRect(level.menu, level.rect, entry);
        const CRect parent = level.rect;
        open(submenu, {parent.right - 1, row.top - kBorder}, parent.left);
    }
}

bool CMenuSession::handleKey(const CKeyEvent& key, CMenuChoice& choice) {
    if (key.virt == kVirtEscape) return true;
    Level& level = levels_[keyLevel_];
    COptionMenu* menu = level.menu;
    const int32_t count = menu->getNbEntries();
    switch (key.virt) {
        case kVirtUp:
        case kVirtDown: {
            // The next entry that is not a separator, wrapping around.
            const int32_t step = key.virt == kVirtDown ? 1 : count - 1;
            int32_t entry = level.highlighted < 0 && step != 1 ? 0 : level.highlighted;
            for (int32_t tries = 0; tries < count; ++tries) {
                entry = (entry + step + count) % count;
                if (!menu->isSeparator(entry)) break;
            }
            highlight(keyLevel_, entry);
            return false;
        }
        case kVirtLeft:
            if (keyLevel_ > 0) {
                --keyLevel_;
                highlight(keyLevel_, levels_[keyLevel_].highlighted);
                closeFrom(keyLevel_ + 1);
            }
            return false;
        case kVirtRight:
        case kVirtReturn:
        case kVirtEnter:
            if (level.highlighted < 0) return false;
            if (menu->getSubMenu(level.highlighted) != nullptr) {
                if (keyLevel_ + 1 < levels_.size()) {
                    ++keyLevel_;
                    highlight(keyLevel_, 0);
                }
                return false;
            }
            if (key.virt == kVirtRight) return false;
            choice = {menu, level.highlighted};
            return true;
        default:
            return false;
    }
}

bool CMenuSession::handle(const CPlatformEvent& event, CMenuChoice& choice) {
    if (event.type == CPlatformEvent::kKeyDown) return handleKey(event.key, choice);
    if (event.type != CPlatformEvent::kMouseDown && event.type != CPlatformEvent::kMouseUp) {
        return false;
    }
    int32_t levelHit = -1;
    int32_t entry = -1;
    hover(event.where, levelHit, entry);
    if (event.type == CPlatformEvent::kMouseDown) return levelHit < 0;
    if (levelHit >= 0 && entry >= 0) {
        const Level& level = levels_[static_cast<size_t>(levelHit)];
        if (level.menu->getSubMenu(entry) == nullptr) {
            choice = {level.menu, entry};
            return true;
        }
    } else if (levelHit < 0 && (visitedEntry_ || releasedOnce_)) {
        return true;
    }
    // The release of the click that opened the menu leaves it open for a second click.
    releasedOnce_ = true;
    return false;
}

CMenuChoice CMenuSession::run(const CPoint& frameTopLeft) {
    if (frame_->platform() == nullptr) return {};
    open(root_, frameTopLeft, INT32_MIN);
    visitedEntry_ = false;
    releasedOnce_ = false;
    keyLevel_ = 0;
    CMenuChoice choice;
    while (true) {
        frame_->doIdleStuff();
        // Presses and releases come as events, so that no quick click is missed; the pointer's
        // place between them is polled.
        CPlatformEvent event;
        while (frame_->takeHeldInput(event)) {
            if (handle(event, choice)) return choice;
        }
        const CPointerState pointer = frame_->getPointer();
        if (!pointer.valid) return {};
        int32_t levelHit = -1;
        int32_t entry = -1;
        hover(pointer.where, levelHit, entry);
    }
}

}  // namespace sorvella
