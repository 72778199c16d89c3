// A headless frame with scripted input, a listener that records every report, and bitmaps made
// in code, for the toolkit's tests.
#pragma once

#include <cairo.h>

#include <memory>
#include <string>
#include <vector>

#include "toolkit/bitmap.h"
#include "toolkit/control.h"
#include "toolkit/frame.h"
#include "toolkit/headless_window.h"

namespace sorvella::test {

struct Report {
    int32_t tag;
    float value;
};

class RecordingListener : public CControlListener, public CFrameListener {
  public:
    void valueChanged(CDrawContext*, CControl* control) override {
        reports.push_back({control->getTag(), control->getValue()});
    }
    void beginEdit(int32_t tag) override { edits.push_back(tag + 1); }
    void endEdit(int32_t tag) override { edits.push_back(-(tag + 1)); }

    std::vector<float> values() const {
        std::vector<float> out;
        for (const Report& report : reports)
            out.push_back(report.value);
        return out;
    }
    // Every begin is closed by an end of the same tag before the next begin.
    bool editsPaired() const {
        for (size_t i = 0; i < edits.size(); i += 2) {
            if (i + 1 >= edits.size() || edits[i] <= 0 || edits[i + 1] != -edits[i]) return false;
        }
        return true;
    }

    std::vector<Report> reports;
    std::vector<int32_t> edits;
};

// A film of n frames of w x h, frame i filled with grey level i (so the frame shown can be read
// back from a pixel).
inline CBitmap* makeFilm(int32_t frames, int32_t width, int32_t height, double scale = 1.0) {
    auto* bitmap = new CBitmap(width, frames * height, scale);
    cairo_t* cr = cairo_create(bitmap->surface());
    cairo_scale(cr, scale, scale);
    for (int32_t i = 0; i < frames; ++i) {
        cairo_set_source_rgb(cr, i / 255.0, i / 255.0, i / 255.0);
        cairo_rectangle(cr, 0, i * height, width, height);
        cairo_fill(cr);
    }
    cairo_destroy(cr);
    return bitmap;
}

// The red channel of a pixel of the frame's picture.
inline int32_t redAt(CFrame& frame, CPoint at) {
    cairo_surface_t* surface = frame.backing();
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const uint32_t pixel = *reinterpret_cast<const uint32_t*>(data + at.v * stride + at.h * 4);
    return static_cast<int32_t>((pixel >> 16) & 0xff);
}

struct HeadlessFixture {
    HeadlessFixture(int32_t width = 300, int32_t height = 200, double scale = 1.0) {
        auto made = std::make_unique<CHeadlessWindow>();
        window = made.get();
        frame =
            std::make_unique<CFrame>(CRect(0, 0, width, height), std::move(made), &listener, scale);
    }
    // Runs the scripted press and whatever it starts to the end.
    void run(std::vector<CPointerState> script) {
        window->press(std::move(script));
        frame->idle();
    }

    RecordingListener listener;
    CHeadlessWindow* window = nullptr;
    std::unique_ptr<CFrame> frame;
};

}  // namespace sorvella::test
