#include "editor/formant_editor_model.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <mutex>

#include "core/my_vsti.h"
#include "editor/record_transfer.h"
#include "engine/formant_bank.h"

namespace sorvella {

namespace {

constexpr std::array<FormantColumnSpec, 3> kColumnSpecs{{
    {"Frequency", 50.0f, 11025.0f, 1.0f},
    {"Bandwidth", 20.0f, 2000.0f, 1.0f},
    {"Level", -80.0f, 0.0f, 0.01f},
}};
constexpr float kFineFactor = 0.01f;
constexpr float kZoomInFactor = 1.1f;
constexpr float kZoomOutFactor = 0.90909094f;
constexpr std::array<std::int32_t, 7> kGridHertz{250, 500, 1000, 2000, 4000, 8000, 16000};
constexpr std::array<std::int32_t, 4> kVowelParameters{kVowel1Start, kVowel1End, kVowel2Start,
                                                       kVowel2End};

// Far-off (or undefined) positions are held where int arithmetic stays exact.
std::int32_t toPixel(float v) {
    constexpr float kFar = 1.0e7f;
    if (!(v > -kFar)) return static_cast<std::int32_t>(-kFar);
    return static_cast<std::int32_t>(std::min(v, kFar));
}

MyFormantData& instrumentSet(MyVsti& instrument, std::int32_t slot) {
    return static_cast<MyFormantData&>(instrument.metaParameter(kFormant1Start + slot));
}

}  // namespace

const FormantColumnSpec& FormantEditorModel::column(std::int32_t c) {
    return kColumnSpecs[static_cast<std::size_t>(std::clamp(c, 0, kColumns - 1))];
}

FormantEditorModel::FormantEditorModel(MyVsti& instrument, PixelRect graph, PixelRect table)
    : instrument_(instrument), graph_(graph), table_(table), copy_("Formant1 Start") {
    setZoom(kDefaultZoom);
}

bool FormantEditorModel::attach(std::int32_t slot) {
    if (slot < 0 || slot >= kVowelSlots) {
        slot_ = -1;
        return false;
    }
    slot_ = slot;
    gesture_ = Gesture::kNone;
    pull();
    return true;
}

void FormantEditorModel::pull() {
    if (attached()) pullRecord(instrumentSet(instrument_, slot_), copy_, instrument_.audioLock());
}

void FormantEditorModel::selectFormant(std::int32_t formant) {
    if (formant >= 0 && formant < kFormantCount) selected_ = formant;
}

void FormantEditorModel::setSampleRate(float rate) {
    if (std::isfinite(rate) && rate > 0.0f) sampleRate_ = rate;
}

bool FormantEditorModel::setZoom(float zoom) {
    if (!(zoom >= kMinZoom && zoom <= kMaxZoom)) return false;
    zoom_ = zoom;
    pixelsPerUnit_ = static_cast<float>(graph_.width) / zoom_;
    unitsPerPixel_ = 1.0f / pixelsPerUnit_;
    return true;
}

std::int32_t FormantEditorModel::xOfUnit(float u) const {
    return graph_.left + toPixel(u * pixelsPerUnit_);
}

std::int32_t FormantEditorModel::yOfDb(float db) const {
    const float s = (db + 80.0f) * 0.0125f;
    return graph_.top + toPixel((1.0f - s) * static_cast<float>(graph_.height));
}

void FormantEditorModel::frequencyGrid(std::vector<FrequencyGridLine>& out) const {
    out.clear();
    const std::size_t first = zoom_ <= 0.24f ? 0 : zoom_ <= 0.4f ? 1 : zoom_ <= 0.8f ? 2 : 3;
    for (std::size_t i = first; i < kGridHertz.size(); ++i) {
        const float u = 2.0f * static_cast<float>(kGridHertz[i]) / sampleRate_;
        const std::int32_t x = xOfUnit(u);
        if (x >= graph_.right()) break;
        out.push_back({x, kGridHertz[i]});
    }
}

void FormantEditorModel::responseCurve(std::int32_t k, std::vector<PixelPoint>& out) const {
    out.clear();
    if (!attached() || k < 0 || k >= kFormantCount) return;
    // The slot's resonator as the instrument computes it from the set (sharpness 1).
    Resonator r;
    const auto f = static_cast<std::size_t>(k);
    r.setFormant(copy_.frequencies[f], copy_.bandwidths[f], copy_.levels[f], 1.0f / sampleRate_);
    for (std::int32_t column = 0; column < graph_.width; ++column) {
        const float u = static_cast<float>(column) * unitsPerPixel_;
        const float magnitude = r.responseMagnitude(u);
        const float db = magnitude < 0.0001f ? kFloorDb : 20.0f * std::log10(magnitude);
        out.push_back({xOfUnit(u), std::max(yOfDb(db), graph_.top)});
    }
}

PixelRect FormantEditorModel::cell(std::int32_t row, std::int32_t column) const {
    const std::int32_t w = table_.width / kColumns;
    const std::int32_t h = table_.height / kRows;
    return {table_.left + column * w, table_.top + row * h, w, h};
}

std::optional<FormantCell> FormantEditorModel::cellAt(PixelPoint p) const {
    const std::int32_t w = table_.width / kColumns;
    const std::int32_t h = table_.height / kRows;
    const std::int32_t x = p.x - table_.left;
    const std::int32_t y = p.y - table_.top;
    if (w <= 0 || h <= 0 || x < 0 || y < 0) return std::nullopt;
    const std::int32_t c = x / w;
    const std::int32_t r = y / h;
    if (c >= kColumns || r >= kRows) return std::nullopt;
    return FormantCell{r, c};
}

void FormantEditorModel::cellText(std::int32_t row, std::int32_t column, char* out,
                                  std::size_t size) const {
    if (size == 0) return;
    out[0] = '\0';
    if (column < 0 || column >= kColumns) return;
    if (row == 0) {
        std::snprintf(out, size, "%s", kColumnSpecs[static_cast<std::size_t>(column)].header);
        return;
    }
    if (row < 1 || row >= kRows || !attached()) return;
    const auto f = static_cast<std::size_t>(row - 1);
    if (column == kLevelColumn) {
        std::snprintf(out, size, "%.2f dB", static_cast<double>(copy_.levels[f]));
    } else {
        const float v = column == kFrequencyColumn ? copy_.frequencies[f] : copy_.bandwidths[f];
        std::snprintf(out, size, "%ld Hz", std::lround(static_cast<double>(v)));
    }
}

float& FormantEditorModel::field(MyFormantData& set, std::int32_t column,
                                 std::int32_t formant) const {
    const auto f = static_cast<std::size_t>(formant);
    if (column == kFrequencyColumn) return set.frequencies[f];
    if (column == kBandwidthColumn) return set.bandwidths[f];
    return set.levels[f];
}

float FormantEditorModel::baseStep(MouseButtons buttons) const {
    // Both buttons down keep the direction the spin started with.
    bool up = !startedWithLeft_;
    if (buttons.left != buttons.right) up = buttons.right;
    float step = kColumnSpecs[static_cast<std::size_t>(spinColumn_)].step * (up ? 1.0f : -1.0f);
    if (buttons.shift) step *= kFineFactor;
    return step;
}

void FormantEditorModel::press(PixelPoint p, MouseButtons buttons) {
    gesture_ = Gesture::kNone;
    startedWithLeft_ = buttons.left;
    previous_ = buttons;
    last_ = p;
    if (graph_.contains(p)) {
        gesture_ = Gesture::kZoom;
        return;
    }
    const std::optional<FormantCell> hit = cellAt(p);
    if (!hit || hit->row == 0 || !attached()) return;
    selectFormant(hit->row - 1);
    if (!buttons.left && !buttons.right) return;
    pull();
    spinColumn_ = hit->column;
    spinValue_ = field(copy_, spinColumn_, selected_);
    base_ = baseStep(buttons);
    step_ = base_;
    gesture_ = Gesture::kSpin;
}

bool FormantEditorModel::pass(PixelPoint p, MouseButtons buttons) {
    if (gesture_ == Gesture::kNone) return false;
    if (!(startedWithLeft_ ? buttons.left : buttons.right)) {
        gesture_ = Gesture::kNone;
        return false;
    }
    if (gesture_ == Gesture::kZoom) {
        const std::int32_t dy = p.y - last_.y;
        if (std::abs(dy) > 1) {
            setZoom(zoom_ * (dy < 0 ? kZoomInFactor : kZoomOutFactor));
            last_ = p;
        }
        return true;
    }
    // The change accelerates linearly while the button is held.
    const FormantColumnSpec& limits = kColumnSpecs[static_cast<std::size_t>(spinColumn_)];
    spinValue_ = std::clamp(spinValue_ + step_, limits.minValue, limits.maxValue);
    step_ += base_;
    if (!(buttons == previous_)) {
        previous_ = buttons;
        base_ = baseStep(buttons);
        step_ = base_;
    }
    field(copy_, spinColumn_, selected_) = spinValue_;
    commit();
    return true;
}

void FormantEditorModel::commit() {
    std::recursive_mutex& lock = instrument_.audioLock();
    std::lock_guard guard(lock);
    pushRecord(copy_, instrumentSet(instrument_, slot_), lock);
    // The slot's coefficients come from the set only while its vowel parameter selects the
    // user-edited set; a table row would overwrite the edit.
    const std::int32_t vowel = kVowelParameters[static_cast<std::size_t>(slot_)];
    if (vowelSelection(instrument_.getParameter(vowel)) < kUserVowelSelection) return;
    instrument_.setParameter(vowel, instrument_.getParameter(vowel));
    const std::int32_t morph = slot_ < 2 ? kVowel1Morph : kVowel2Morph;
    instrument_.setParameter(morph, instrument_.getParameter(morph));
}

}  // namespace sorvella
