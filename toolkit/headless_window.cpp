#include "toolkit/headless_window.h"

#include <cairo.h>

namespace sorvella {
namespace {

class HeadlessPopup : public CPlatformPopup {
  public:
    HeadlessPopup(std::vector<CHeadlessWindow::Popup>& popups, size_t index)
        : popups_(popups), index_(index) {}
    ~HeadlessPopup() override { popups_[index_].open = false; }

    void show(cairo_surface_t* image) override {
        CHeadlessWindow::Popup& popup = popups_[index_];
        if (popup.image != nullptr) cairo_surface_destroy(popup.image);
        // Keep a copy: the caller reuses its image.
        popup.image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, popup.rect.width(),
                                                 popup.rect.height());
        cairo_t* cr = cairo_create(popup.image);
        cairo_set_source_surface(cr, image, 0, 0);
        cairo_paint(cr);
        cairo_destroy(cr);
    }

  private:
    std::vector<CHeadlessWindow::Popup>& popups_;
    size_t index_;
};

}  // namespace

CHeadlessWindow::CHeadlessWindow() = default;

CHeadlessWindow::~CHeadlessWindow() {
    for (Popup& popup : popups_) {
        if (popup.image != nullptr) cairo_surface_destroy(popup.image);
    }
}

std::vector<CPointerState> CHeadlessWindow::drag(CPoint from, CPoint to, int32_t steps,
                                                 int32_t buttons) {
    std::vector<CPointerState> script{{from, buttons, true}};
    for (int32_t i = 1; i <= steps; ++i) {
        script.push_back(
            {{from.h + (to.h - from.h) * i / steps, from.v + (to.v - from.v) * i / steps},
             buttons,
             true});
    }
    script.push_back({to, buttons & ~kButtonMask, true});
    return script;
}

std::vector<CPointerState> CHeadlessWindow::click(CPoint at, int32_t buttons) {
    return {{at, buttons, true}, {at, buttons & ~kButtonMask, true}};
}

void CHeadlessWindow::press(std::vector<CPointerState> script) {
    if (script.empty()) return;
    CPlatformEvent event;
    event.type = CPlatformEvent::kMouseDown;
    event.where = script.front().where;
    event.buttons = script.front().buttons;
    events_.push_back(event);
    setPointerScript(std::move(script));
}

void CHeadlessWindow::setPointerScript(std::vector<CPointerState> script) {
    script_ = std::move(script);
    scriptIndex_ = 0;
    if (!script_.empty()) resting_ = {script_.back().where, 0, true};
}

void CHeadlessWindow::typeText(const std::string& text) {
    for (char c : text) {
        CPlatformEvent event;
        event.type = CPlatformEvent::kKeyDown;
        event.key.character = static_cast<unsigned char>(c);
        events_.push_back(event);
    }
}

void CHeadlessWindow::typeKey(int32_t virt) {
    CPlatformEvent event;
    event.type = CPlatformEvent::kKeyDown;
    event.key.virt = virt;
    events_.push_back(event);
}

int32_t CHeadlessWindow::openPopupCount() const {
    int32_t open = 0;
    for (const Popup& popup : popups_)
        open += popup.open ? 1 : 0;
    return open;
}

bool CHeadlessWindow::nextEvent(CPlatformEvent& event) {
    if (events_.empty()) return false;
    event = events_.front();
    events_.pop_front();
    return true;
}

CPointerState CHeadlessWindow::queryPointer() {
    if (script_.empty()) return resting_;
    if (scriptIndex_ < script_.size()) return script_[scriptIndex_];
    return {script_.back().where, 0, false};
}

void CHeadlessWindow::present(cairo_surface_t*, const CRect&) {}

void CHeadlessWindow::pace(int32_t) {
    ++paces_;
    if (onPace_) onPace_();
    if (scriptIndex_ >= script_.size()) return;
    const CPointerState before = script_[scriptIndex_++];
    if (scriptIndex_ >= script_.size()) return;
    // A change of the buttons is also an event, as a window system reports it.
    const CPointerState& after = script_[scriptIndex_];
    if ((before.buttons & kButtonMask) != (after.buttons & kButtonMask)) {
        CPlatformEvent event;
        event.type = (after.buttons & kButtonMask) != 0 ? CPlatformEvent::kMouseDown
                                                        : CPlatformEvent::kMouseUp;
        event.where = after.where;
        event.buttons = after.buttons;
        events_.push_back(event);
    }
}

std::unique_ptr<CPlatformPopup> CHeadlessWindow::createPopup(const CRect& frameRect) {
    popups_.push_back({frameRect, nullptr, true});
    return std::make_unique<HeadlessPopup>(popups_, popups_.size() - 1);
}

void CHeadlessWindow::writePng(cairo_surface_t* backing, const std::vector<Popup>& popups,
                               const std::string& path, bool withPopups) {
    const int width = cairo_image_surface_get_width(backing);
    const int height = cairo_image_surface_get_height(backing);
    cairo_surface_t* picture = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_t* cr = cairo_create(picture);
    cairo_set_source_surface(cr, backing, 0, 0);
    cairo_paint(cr);
    for (const Popup& popup : popups) {
        if (!withPopups || !popup.open || popup.image == nullptr) continue;
        cairo_set_source_surface(cr, popup.image, popup.rect.left, popup.rect.top);
        cairo_paint(cr);
    }
    cairo_destroy(cr);
    cairo_surface_write_to_png(picture, path.c_str());
    cairo_surface_destroy(picture);
}

}  // namespace sorvella
