// The envelope editor without its drawing: the time and level axes with zoom and scroll, the
// rectangles of handles, loop markers and curve tabs, the drawn path of each segment, and the
// mouse gestures that move, bend, insert and remove points and move the sustain loop.
//
// It edits its own copies of the instrument's three curves. Each edit is pushed into the
// instrument's record under the audio lock (the voices copy a curve at note-on, under the same
// lock); pull() refreshes the copies, also under the lock, before drawing and at each press.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "editor/editor_geometry.h"
#include "engine/env_data.h"

namespace sorvella {

class MyVsti;

enum class EnvelopeTarget : std::uint8_t {
    kNothing,      // the background: scroll and zoom
    kPoint,        // index = point
    kCurveHandle,  // index = segment
    kLoopStart,
    kLoopEnd,
    kTab,  // index = curve
};

struct EnvelopeHit {
    EnvelopeTarget target = EnvelopeTarget::kNothing;
    std::int32_t index = -1;
    bool operator==(const EnvelopeHit&) const = default;
};

struct TimeGridLine {
    std::int32_t x;
    char label[12];  // seconds, "%0.1f"
};

class EnvelopeEditorModel {
  public:
    static constexpr std::int32_t kCurveCount = 3;
    static constexpr float kDefaultZoom = 2.0f;  // seconds across the control
    static constexpr float kMinZoom = 0.5f;
    static constexpr float kMaxZoom = 4.0f;
    // The scroll offset stays within the longest curve a record can hold.
    static constexpr float kMaxOffsetMs =
        MyEnvData::kMaxDurationMs * static_cast<float>(MyEnvData::kDefaultCapacity);
    static constexpr std::int32_t kLeftMargin = 10;
    static constexpr std::int32_t kTopMargin = 16;
    static constexpr std::int32_t kBottomMargin = 40;
    static constexpr std::int32_t kPointHandleSize = 6;
    static constexpr std::int32_t kCurveHandleSize = 4;
    static constexpr std::int32_t kTabHeight = 16;
    static constexpr std::int32_t kTabRise = 24;  // a tab's top above the control's bottom
    static constexpr std::int32_t kTabPadding = 8;
    static constexpr std::int32_t kTabGap = 10;

    // curves: the instrument's "Osc1", "Osc2" and "Noise" records, which live as long as it.
    EnvelopeEditorModel(std::recursive_mutex& audioLock,
                        const std::array<MyEnvData*, kCurveCount>& curves, std::int32_t width,
                        std::int32_t height);
    // Bound to an instrument's working program.
    EnvelopeEditorModel(MyVsti& instrument, std::int32_t width, std::int32_t height);

    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }

    // Copies the instrument's curves (after a program change, before drawing, at each press).
    void pull();
    const MyEnvData& curve(std::int32_t i) const;
    const char* curveName(std::int32_t i) const;  // "Osc1", "Osc2", "Noise"
    std::int32_t selected() const { return selected_; }
    void select(std::int32_t curve);  // ignored outside 0..2

    // Zoom: the visible time in seconds. A value that is not finite or lies outside 0.5..4.0 is
    // ignored (false). Offset: the time at the left edge in ms, held to 0..kMaxOffsetMs; a value
    // that is not a number reads as 0.
    bool setZoom(float seconds);
    void setOffset(float milliseconds);
    float zoom() const { return zoom_; }
    float offset() const { return offset_; }
    // The chunk's view block, zoom first.
    void setViewBlock(float zoom, float offset) {
        setZoom(zoom);
        setOffset(offset);
    }

    float pxPerMs() const { return pxPerMs_; }
    float msPerPx() const { return msPerPx_; }
    float levelPerPx() const { return levelPerPx_; }
    std::int32_t xOfMs(float ms) const;
    float msOfX(std::int32_t x) const;
    std::int32_t yOfLevel(float level) const;
    float levelOfY(std::int32_t y) const;

    // Geometry of the selected curve (control-local pixels).
    PixelRect originHandle() const;
    PixelRect pointHandle(std::int32_t point) const;
    PixelRect curveHandle(std::int32_t segment) const;  // at the middle of the drawn segment
    PixelRect loopStartMarker() const;
    PixelRect loopEndMarker() const;
    // The sustain loop's band: x of its first and its last point.
    std::int32_t loopBandLeft() const;
    std::int32_t loopBandRight() const;
    // Tabs are as wide as their text plus 8: the view measures the names and lays them out.
    void layoutTabs(std::span<const std::int32_t> textWidths);
    PixelRect tab(std::int32_t curve) const;

    // The drawn path of segment i of curve c: the runner's own recurrence, 20 steps between
    // vertices, two halves of n vertices each (n = half the segment's width + 1, at most 1024),
    // from its start point. The curve handle sits on vertex n.
    void segmentPath(std::int32_t c, std::int32_t segment, std::vector<PixelPoint>& out) const;
    // A line every 100 ms from the first one right of the left edge to the right edge.
    void timeGrid(std::vector<TimeGridLine>& out) const;

    EnvelopeHit hitTest(PixelPoint p) const;

    // Mouse gestures. A left press picks what the drag moves (point, bend, loop start, loop end,
    // tab, else scroll and zoom); dragTo applies each poll's movement and answers whether to
    // redraw; release ends it. A right press removes the point under it (never the last one) or
    // inserts a point there. Edits reach the instrument at once.
    void pressLeft(PixelPoint p);
    bool dragTo(PixelPoint p);
    void release();
    bool dragging() const { return drag_.target != DragTarget::kNone; }
    bool pressRight(PixelPoint p);

  private:
    enum class DragTarget : std::uint8_t {
        kNone,
        kPoint,
        kCurveHandle,
        kLoopStart,
        kLoopEnd,
        kView
    };
    struct Drag {
        DragTarget target = DragTarget::kNone;
        std::int32_t index = -1;
        PixelPoint last;
    };

    MyEnvData& edited() { return *copies_[static_cast<std::size_t>(selected_)]; }
    const MyEnvData& shown() const { return *copies_[static_cast<std::size_t>(selected_)]; }
    void commit();
    PixelPoint pointPosition(std::int32_t point) const;
    // The point whose handle spans x, else -1; -2 when only the origin's handle does.
    std::int32_t pointAtX(std::int32_t x) const;
    bool moveLoopStart(std::int32_t x);
    bool moveLoopEnd(std::int32_t x);
    bool scrollOrZoom(PixelPoint p);

    std::recursive_mutex& lock_;
    std::array<MyEnvData*, kCurveCount> records_;
    std::array<std::unique_ptr<MyEnvData>, kCurveCount> copies_;
    std::int32_t width_;
    std::int32_t height_;
    std::int32_t selected_ = 0;
    float zoom_ = kDefaultZoom;
    float offset_ = 0.0f;
    float pxPerMs_ = 0.0f;
    float msPerPx_ = 0.0f;
    float levelPx_ = 0.0f;
    float levelPerPx_ = 0.0f;
    std::array<PixelRect, kCurveCount> tabs_{};
    Drag drag_;
};

}  // namespace sorvella
