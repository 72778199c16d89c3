#include "editor/xy_pad_model.h"

#include <algorithm>

#include "core/parameter_table.h"

namespace sorvella {

namespace {

struct Inertia {
    std::int32_t steps;
    float factor;
};
constexpr std::array<Inertia, XYPadModel::kInertiaLevels> kInertia{{
    {1, 1.0f},
    {16, 0.0625f},
    {32, 0.03125f},
    {64, 0.015625f},
    {100, 0.01f},
    {128, 0.0078125f},
}};

}  // namespace

XYPadModel::XYPadModel(std::int32_t width, std::int32_t height)
    : width_(std::max(width, 2 * kInset + 1)),
      height_(std::max(height, 2 * kInset + 1)),
      rangeX_(static_cast<float>(width_ - 2 * kInset)),
      invRangeX_(1.0f / rangeX_),
      rangeY_(static_cast<float>(height_ - 2 * kInset)),
      invRangeY_(1.0f / rangeY_) {
    trail_.fill(cursor_);
}

namespace {

// Glides may end a hair outside 0..1; anything further (or not a number) is held near the pad.
float nearPad(float value) {
    return value >= -1.0f ? std::min(value, 2.0f) : -1.0f;
}

}  // namespace

std::int32_t XYPadModel::pixelX(float value) const {
    return static_cast<std::int32_t>(nearPad(value) * rangeX_) + kInset;
}

std::int32_t XYPadModel::pixelY(float value) const {
    return static_cast<std::int32_t>(nearPad(value) * rangeY_) + kInset;
}

float XYPadModel::valueX(std::int32_t px) const {
    return std::clamp((static_cast<float>(px) - 4.0f) * invRangeX_, 0.0f, 1.0f);
}

float XYPadModel::valueY(std::int32_t py) const {
    return std::clamp((static_cast<float>(py) - 4.0f) * invRangeY_, 0.0f, 1.0f);
}

void XYPadModel::pushTrail() {
    trail_[static_cast<std::size_t>(trailIndex_)] = cursor_;
    trailIndex_ = (trailIndex_ + 1) % kTrailLength;
}

void XYPadModel::placeCursor() {
    const std::int32_t cx = pixelX(x_);
    const std::int32_t cy = pixelY(y_);
    cursor_ = {cx - 3, cy - 3, 6, 6};
}

void XYPadModel::setX(float value) {
    x_ = value;
    pushTrail();
    placeCursor();
}

void XYPadModel::setY(float value) {
    y_ = value;
    pushTrail();
    placeCursor();
}

std::array<PixelRect, XYPadModel::kTrailLength> XYPadModel::trailOldestFirst() const {
    std::array<PixelRect, kTrailLength> out;
    for (std::int32_t age = 0; age < kTrailLength; ++age) {
        out[static_cast<std::size_t>(age)] =
            trail_[static_cast<std::size_t>((trailIndex_ + age) % kTrailLength)];
    }
    return out;
}

Rgb XYPadModel::trailColour(std::int32_t age) {
    const std::int32_t a = std::clamp(age, 0, kTrailLength - 1);
    return {150, static_cast<std::uint8_t>(152 - 10 * a), static_cast<std::uint8_t>(135 - 10 * a)};
}

void XYPadModel::setInertia(std::int32_t level) {
    const Inertia& inertia =
        kInertia[static_cast<std::size_t>(level >= 0 && level < kInertiaLevels ? level : 0)];
    glideSteps_ = inertia.steps;
    glideFactor_ = inertia.factor;
}

void XYPadModel::startGlide(PixelPoint local) {
    // A new target restarts the glide from where the pad is.
    stepsLeft_ = glideSteps_;
    dx_ = (valueX(local.x) - x_) * glideFactor_;
    dy_ = (valueY(local.y) - y_) * glideFactor_;
}

void XYPadModel::step(bool recordTrail) {
    changedX_ = dx_ != 0.0f;
    changedY_ = dy_ != 0.0f;
    x_ += dx_;
    y_ += dy_;
    if (recordTrail) pushTrail();
    placeCursor();
    --stepsLeft_;
}

void XYPadModel::beginTrack(PixelPoint local) {
    leftHeld_ = true;
    last_ = local;
    startGlide(local);
}

bool XYPadModel::trackPass(MouseButtons buttons, PixelPoint local) {
    leftHeld_ = buttons.onlyLeft();
    const bool moved = leftHeld_ && !(local == last_);
    last_ = local;
    if (moved) startGlide(local);
    if (stepsLeft_ == 0) return false;
    // Steps after the button is up complete the glide without extending the trail.
    step(moved);
    return true;
}

void XYPadModel::beginSettingsReport() {
    changedX_ = false;
    changedY_ = false;
    settingsChanged_ = true;
}

XYPadReport XYPadModel::report() const {
    XYPadReport r;
    r.sendX = changedX_;
    r.sendY = changedY_;
    r.settingsChosen = settingsChanged_;
    if (changedX_) r.learnTarget = kVowel1Morph;
    if (changedY_) r.learnTarget = kVowel2Morph;
    return r;
}

}  // namespace sorvella
