#include "editor/envelope_editor_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/my_vsti.h"
#include "editor/record_transfer.h"

namespace sorvella {

namespace {

constexpr std::int32_t kMaxHalfVertices = 1024;
constexpr std::int32_t kStepsPerVertex = 20;
constexpr float kZoomInFactor = 1.1f;
constexpr float kZoomOutFactor = 0.90909094f;
constexpr std::int32_t kMarkerWidth = 8;
constexpr std::int32_t kMarkerHeight = 7;
// Until the view measures the tab names with its font.
constexpr std::int32_t kEstimatedCharWidth = 6;

// Pixel positions of far-off times are held where int arithmetic stays exact.
std::int32_t toPixel(float v) {
    constexpr float kFar = 1.0e7f;
    if (!(v > -kFar)) return static_cast<std::int32_t>(-kFar);
    if (!(v < kFar)) return static_cast<std::int32_t>(kFar);
    return static_cast<std::int32_t>(v);
}

std::array<MyEnvData*, EnvelopeEditorModel::kCurveCount> curvesOf(MyVsti& instrument) {
    std::array<MyEnvData*, EnvelopeEditorModel::kCurveCount> curves{};
    for (std::int32_t i = 0; i < EnvelopeEditorModel::kCurveCount; ++i) {
        curves[static_cast<std::size_t>(i)] =
            &static_cast<MyEnvData&>(instrument.metaParameter(kCurveOsc1 + i));
    }
    return curves;
}

// The envelope runner's per-sample recurrence over one segment, walked in vertex steps of
// 1 / (2n) of the segment, 20 recurrence steps each.
class SegmentWalk {
  public:
    SegmentWalk(const MyEnvData& c, std::int32_t segment, std::int32_t x0, std::int32_t x1)
        : x0_(x0), x1_(x1) {
        const auto i = static_cast<std::size_t>(segment);
        const float previous = segment == 0 ? 0.0f : c.levels()[i - 1];
        a_ = (c.levels()[i] - previous) * c.curveNorms()[i];
        b_ = previous - a_;
        k_ = c.curves()[i];
        const std::int32_t span = std::max(x1 - x0, 0);
        n_ = std::min(span / 2 + 1, kMaxHalfVertices);
        s_ = (0.5f / static_cast<float>(n_)) / static_cast<float>(kStepsPerVertex);
    }

    std::int32_t halfCount() const { return n_; }
    float level() const { return a_ + b_; }
    std::int32_t x(std::int32_t vertex) const {
        return x0_ +
               static_cast<std::int32_t>(static_cast<std::int64_t>(x1_ - x0_) * vertex / (2 * n_));
    }
    void advance() {
        for (std::int32_t step = 0; step < kStepsPerVertex; ++step) {
            const float f = s_ * u_;
            a_ = a_ * (1.0f + k_ * f);
            u_ = u_ * (1.0f - f);
        }
    }

  private:
    std::int32_t x0_;
    std::int32_t x1_;
    float a_;
    float b_;
    float k_;
    float u_ = 1.0f;
    float s_;
    std::int32_t n_;
};

}  // namespace

EnvelopeEditorModel::EnvelopeEditorModel(std::recursive_mutex& audioLock,
                                         const std::array<MyEnvData*, kCurveCount>& curves,
                                         std::int32_t width, std::int32_t height)
    : lock_(audioLock),
      records_(curves),
      width_(std::max(width, 1)),
      height_(std::max(height, kTopMargin + kBottomMargin + 1)) {
    for (std::size_t i = 0; i < copies_.size(); ++i) {
        copies_[i] = std::make_unique<MyEnvData>(records_[i]->name(), records_[i]->capacity());
    }
    levelPx_ = static_cast<float>(height_ - kTopMargin - kBottomMargin);
    levelPerPx_ = 1.0f / levelPx_;
    setZoom(kDefaultZoom);
    std::array<std::int32_t, kCurveCount> estimated{};
    for (std::size_t i = 0; i < estimated.size(); ++i) {
        estimated[i] = static_cast<std::int32_t>(copies_[i]->name().size()) * kEstimatedCharWidth;
    }
    layoutTabs(estimated);
    pull();
}

EnvelopeEditorModel::EnvelopeEditorModel(MyVsti& instrument, std::int32_t width,
                                         std::int32_t height)
    : EnvelopeEditorModel(instrument.audioLock(), curvesOf(instrument), width, height) {}

void EnvelopeEditorModel::pull() {
    for (std::size_t i = 0; i < copies_.size(); ++i)
        pullRecord(*records_[i], *copies_[i], lock_);
}

void EnvelopeEditorModel::commit() {
    pushRecord(edited(), *records_[static_cast<std::size_t>(selected_)], lock_);
}

const MyEnvData& EnvelopeEditorModel::curve(std::int32_t i) const {
    return *copies_[static_cast<std::size_t>(std::clamp(i, 0, kCurveCount - 1))];
}

const char* EnvelopeEditorModel::curveName(std::int32_t i) const {
    return curve(i).name().c_str();
}

void EnvelopeEditorModel::select(std::int32_t curve) {
    if (curve >= 0 && curve < kCurveCount) selected_ = curve;
}

bool EnvelopeEditorModel::setZoom(float seconds) {
    if (!std::isfinite(seconds) || seconds < kMinZoom || seconds > kMaxZoom) return false;
    zoom_ = seconds;
    pxPerMs_ = static_cast<float>(width_) * 0.001f / zoom_;
    msPerPx_ = 1.0f / pxPerMs_;
    return true;
}

void EnvelopeEditorModel::setOffset(float milliseconds) {
    offset_ = std::isnan(milliseconds) ? 0.0f : std::clamp(milliseconds, 0.0f, kMaxOffsetMs);
}

std::int32_t EnvelopeEditorModel::xOfMs(float ms) const {
    return toPixel((ms - offset_) * pxPerMs_) + kLeftMargin;
}

float EnvelopeEditorModel::msOfX(std::int32_t x) const {
    return static_cast<float>(x - kLeftMargin) * msPerPx_ + offset_;
}

std::int32_t EnvelopeEditorModel::yOfLevel(float level) const {
    return toPixel(static_cast<float>(kTopMargin) + (1.0f - level) * levelPx_);
}

float EnvelopeEditorModel::levelOfY(std::int32_t y) const {
    return 1.0f - static_cast<float>(y - kTopMargin) * levelPerPx_;
}

PixelPoint EnvelopeEditorModel::pointPosition(std::int32_t point) const {
    const MyEnvData& c = shown();
    const auto i = static_cast<std::size_t>(point);
    return {xOfMs(c.startTimes()[i + 1]), yOfLevel(c.levels()[i])};
}

PixelRect EnvelopeEditorModel::originHandle() const {
    return squareAround(xOfMs(0.0f), yOfLevel(0.0f), kPointHandleSize);
}

PixelRect EnvelopeEditorModel::pointHandle(std::int32_t point) const {
    if (point < 0 || point >= shown().pointCount()) return {};
    const PixelPoint p = pointPosition(point);
    return squareAround(p.x, p.y, kPointHandleSize);
}

PixelRect EnvelopeEditorModel::curveHandle(std::int32_t segment) const {
    const MyEnvData& c = shown();
    if (segment < 0 || segment >= c.pointCount()) return {};
    const auto i = static_cast<std::size_t>(segment);
    SegmentWalk walk(c, segment, xOfMs(c.startTimes()[i]), xOfMs(c.startTimes()[i + 1]));
    for (std::int32_t v = 0; v < walk.halfCount(); ++v)
        walk.advance();
    return squareAround(walk.x(walk.halfCount()), yOfLevel(walk.level()), kCurveHandleSize);
}

std::int32_t EnvelopeEditorModel::loopBandLeft() const {
    const MyEnvData& c = shown();
    return xOfMs(c.startTimes()[static_cast<std::size_t>(c.loopStart())]);
}

std::int32_t EnvelopeEditorModel::loopBandRight() const {
    const MyEnvData& c = shown();
    return xOfMs(c.startTimes()[static_cast<std::size_t>(c.loopEnd())]);
}

// The markers hang just below the zero-level line, under the loop's first and last points.
PixelRect EnvelopeEditorModel::loopStartMarker() const {
    return {loopBandLeft() - kMarkerWidth / 2, yOfLevel(0.0f) + 1, kMarkerWidth, kMarkerHeight};
}

PixelRect EnvelopeEditorModel::loopEndMarker() const {
    return {loopBandRight() - kMarkerWidth / 2, yOfLevel(0.0f) + 1, kMarkerWidth, kMarkerHeight};
}

void EnvelopeEditorModel::layoutTabs(std::span<const std::int32_t> textWidths) {
    std::int32_t x = kLeftMargin;
    for (std::size_t i = 0; i < tabs_.size(); ++i) {
        const std::int32_t text = i < textWidths.size() ? std::max(textWidths[i], 0) : 0;
        tabs_[i] = {x, height_ - kTabRise, text + kTabPadding, kTabHeight};
        x += tabs_[i].width + kTabGap;
    }
}

PixelRect EnvelopeEditorModel::tab(std::int32_t curve) const {
    if (curve < 0 || curve >= kCurveCount) return {};
    return tabs_[static_cast<std::size_t>(curve)];
}

void EnvelopeEditorModel::segmentPath(std::int32_t c, std::int32_t segment,
                                      std::vector<PixelPoint>& out) const {
    out.clear();
    const MyEnvData& record = curve(c);
    if (segment < 0 || segment >= record.pointCount()) return;
    const auto i = static_cast<std::size_t>(segment);
    SegmentWalk walk(record, segment, xOfMs(record.startTimes()[i]),
                     xOfMs(record.startTimes()[i + 1]));
    out.push_back({walk.x(0), yOfLevel(walk.level())});
    for (std::int32_t v = 1; v <= 2 * walk.halfCount(); ++v) {
        walk.advance();
        out.push_back({walk.x(v), yOfLevel(walk.level())});
    }
}

void EnvelopeEditorModel::timeGrid(std::vector<TimeGridLine>& out) const {
    out.clear();
    constexpr double kSpacingMs = 100.0;
    for (double ms = (std::floor(offset_ / kSpacingMs) + 1.0) * kSpacingMs;; ms += kSpacingMs) {
        const std::int32_t x = xOfMs(static_cast<float>(ms));
        if (x >= width_) break;
        TimeGridLine line{x, {}};
        std::snprintf(line.label, sizeof line.label, "%0.1f", ms * 0.001);
        out.push_back(line);
    }
}

EnvelopeHit EnvelopeEditorModel::hitTest(PixelPoint p) const {
    const MyEnvData& c = shown();
    // Later points first: of two points at one time, dragging the later one apart is possible.
    for (std::int32_t i = c.pointCount() - 1; i >= 0; --i) {
        if (pointHandle(i).contains(p)) return {EnvelopeTarget::kPoint, i};
    }
    for (std::int32_t i = c.pointCount() - 1; i >= 0; --i) {
        if (curveHandle(i).contains(p)) return {EnvelopeTarget::kCurveHandle, i};
    }
    if (loopStartMarker().contains(p)) return {EnvelopeTarget::kLoopStart};
    if (loopEndMarker().contains(p)) return {EnvelopeTarget::kLoopEnd};
    for (std::int32_t i = 0; i < kCurveCount; ++i) {
        if (tab(i).contains(p)) return {EnvelopeTarget::kTab, i};
    }
    return {};
}

std::int32_t EnvelopeEditorModel::pointAtX(std::int32_t x) const {
    const MyEnvData& c = shown();
    for (std::int32_t j = 0; j < c.pointCount(); ++j) {
        const PixelRect r = pointHandle(j);
        if (x >= r.left && x < r.right()) return j;
    }
    const PixelRect origin = originHandle();
    return x >= origin.left && x < origin.right() ? -2 : -1;
}

bool EnvelopeEditorModel::moveLoopStart(std::int32_t x) {
    MyEnvData& c = edited();
    const std::int32_t j = pointAtX(x);
    if (j >= 0) {
        if (j == c.loopStart() - 1 || j >= c.loopEnd() - 1) return false;
        return c.setLoop(j + 1, c.loopLength() - (j + 1 - c.loopStart()));
    }
    if (j == -2 && c.loopStart() != 0) return c.setLoop(0, c.loopLength() + c.loopStart());
    return false;
}

bool EnvelopeEditorModel::moveLoopEnd(std::int32_t x) {
    MyEnvData& c = edited();
    const std::int32_t j = pointAtX(x);
    if (j < 0 || j == c.loopEnd() - 1 || j < c.loopStart() || j >= c.pointCount() - 1) return false;
    return c.setLoop(c.loopStart(), j - c.loopStart() + 1);
}

void EnvelopeEditorModel::pressLeft(PixelPoint p) {
    pull();
    const EnvelopeHit hit = hitTest(p);
    drag_ = {DragTarget::kNone, hit.index, p};
    switch (hit.target) {
        case EnvelopeTarget::kPoint:
            drag_.target = DragTarget::kPoint;
            break;
        case EnvelopeTarget::kCurveHandle:
            drag_.target = DragTarget::kCurveHandle;
            break;
        case EnvelopeTarget::kLoopStart:
            drag_.target = DragTarget::kLoopStart;
            break;
        case EnvelopeTarget::kLoopEnd:
            drag_.target = DragTarget::kLoopEnd;
            break;
        case EnvelopeTarget::kTab:
            select(hit.index);
            break;
        case EnvelopeTarget::kNothing:
            drag_.target = DragTarget::kView;
            break;
    }
}

bool EnvelopeEditorModel::dragTo(PixelPoint p) {
    MyEnvData& c = edited();
    const std::int32_t i = drag_.index;
    bool changed = false;
    switch (drag_.target) {
        case DragTarget::kNone:
            return false;
        case DragTarget::kView:
            return scrollOrZoom(p);
        case DragTarget::kPoint: {
            const std::int32_t dx = p.x - drag_.last.x;
            const std::int32_t dy = p.y - drag_.last.y;
            const auto at = static_cast<std::size_t>(i);
            if (dx != 0) {
                // Later points move with it; dragging left stops where it meets the previous one.
                c.setDuration(
                    i, std::max(0.0f, c.durations()[at] + static_cast<float>(dx) * msPerPx_));
                changed = true;
            }
            // The last point ends the curve: its level stays.
            if (dy != 0 && i != c.pointCount() - 1) {
                c.setLevel(i, std::clamp(c.levels()[at] - static_cast<float>(dy) * levelPerPx_,
                                         0.0f, 1.0f));
                changed = true;
            }
            break;
        }
        case DragTarget::kCurveHandle:
            if (p.y != drag_.last.y) {
                c.setCurveFromHandle(i, levelOfY(p.y));
                changed = true;
            }
            break;
        case DragTarget::kLoopStart:
            changed = moveLoopStart(p.x);
            break;
        case DragTarget::kLoopEnd:
            changed = moveLoopEnd(p.x);
            break;
    }
    drag_.last = p;
    if (changed) commit();
    return changed;
}

bool EnvelopeEditorModel::scrollOrZoom(PixelPoint p) {
    const std::int32_t dx = p.x - drag_.last.x;
    const std::int32_t dy = p.y - drag_.last.y;
    // Moves of one pixel are ignored; they add up with the next ones.
    if (std::abs(dx) > 1) {
        const float before = offset_;
        setOffset(offset_ - static_cast<float>(dx) * msPerPx_);
        drag_.last = p;
        return offset_ != before;
    }
    if (std::abs(dy) > 1) {
        drag_.last = p;
        return setZoom(zoom_ * (dy < 0 ? kZoomInFactor : kZoomOutFactor));
    }
    return false;
}

void EnvelopeEditorModel::release() {
    drag_ = {};
}

bool EnvelopeEditorModel::pressRight(PixelPoint p) {
    pull();
    MyEnvData& c = edited();
    for (std::int32_t i = c.pointCount() - 1; i >= 0; --i) {
        if (!pointHandle(i).contains(p)) continue;
        if (i == c.pointCount() - 1 || !c.removePoint(i)) return false;
        commit();
        return true;
    }
    // The level axis ends at 1.0; the top margin above it does not raise a point beyond it.
    const float level = levelOfY(p.y);
    if (!(level >= 0.0f) || !c.insertPoint(msOfX(p.x), std::min(level, 1.0f))) return false;
    commit();
    return true;
}

}  // namespace sorvella
