// The formant editor without its drawing: the response curves of a formant set, its frequency
// and level axes with zoom, the value table with its hit test and texts, and the spin by which a
// held mouse button changes a cell.
//
// It edits its own copy of one vowel slot's formant set. Each change is written into the
// instrument's set under the audio lock, and in the same hold the slot is recomputed from the set
// and the sounding bank re-morphed, so an edit is heard at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "editor/editor_geometry.h"
#include "editor/mouse_buttons.h"
#include "engine/formant_data.h"

namespace sorvella {

class MyVsti;

enum FormantColumn : std::int32_t { kFrequencyColumn = 0, kBandwidthColumn, kLevelColumn };

struct FormantColumnSpec {
    const char* header;
    float minValue;
    float maxValue;
    float step;  // per pass with the right button (the left one goes down); x 0.01 with Shift
};

struct FormantCell {
    std::int32_t row;     // 0 the header, 1..5 formants 1..5
    std::int32_t column;  // FormantColumn
    bool operator==(const FormantCell&) const = default;
};

struct FrequencyGridLine {
    std::int32_t x;
    std::int32_t hertz;
};

class FormantEditorModel {
  public:
    static constexpr float kDefaultSampleRate = 44100.0f;
    static constexpr float kDefaultZoom = 0.2f;  // the Nyquist fraction shown
    static constexpr float kMinZoom = 0.1f;
    static constexpr float kMaxZoom = 1.0f;
    static constexpr float kFloorDb = -80.0f;
    static constexpr std::int32_t kVowelSlots = 4;
    static constexpr std::int32_t kRows = kFormantCount + 1;
    static constexpr std::int32_t kColumns = 3;

    static const FormantColumnSpec& column(std::int32_t c);

    // graph and table in the control's local pixels.
    FormantEditorModel(MyVsti& instrument, PixelRect graph, PixelRect table);

    // Shows the formant set of vowel slot 0..3 ("Formant1 Start", "Formant1 End",
    // "Formant2 Start", "Formant2 End"); false and nothing attached for another slot.
    bool attach(std::int32_t slot);
    std::int32_t slot() const { return slot_; }
    bool attached() const { return slot_ >= 0; }
    // Copies the instrument's set again (after a program change).
    void pull();
    const MyFormantData& formants() const { return copy_; }

    std::int32_t selected() const { return selected_; }
    void selectFormant(std::int32_t formant);  // ignored outside 0..4

    // A rate that is not a finite positive number keeps the previous one (44100 to start).
    void setSampleRate(float rate);
    float sampleRate() const { return sampleRate_; }
    // Ignored outside 0.1..1.0 (false).
    bool setZoom(float zoom);
    float zoom() const { return zoom_; }

    const PixelRect& graph() const { return graph_; }
    const PixelRect& table() const { return table_; }
    std::int32_t xOfUnit(float u) const;  // u: frequency / Nyquist
    std::int32_t yOfDb(float db) const;
    // The grid's frequencies left of the graph's right edge, from 250, 500, 1000 or 2000 Hz by
    // zoom.
    void frequencyGrid(std::vector<FrequencyGridLine>& out) const;
    // Level grid lines at -20, -40 and -60 dB.
    static constexpr float kLevelGridDb[3] = {-20.0f, -40.0f, -60.0f};
    // One point per pixel column of formant k's resonator response, clipped to the graph's top.
    void responseCurve(std::int32_t k, std::vector<PixelPoint>& out) const;

    PixelRect cell(std::int32_t row, std::int32_t column) const;
    // Only whole cells answer: the strips right of and below the last whole cell do not.
    std::optional<FormantCell> cellAt(PixelPoint p) const;
    // "Frequency" / "600 Hz" / "-7.00 dB"; bounded by size.
    void cellText(std::int32_t row, std::int32_t column, char* out, std::size_t size) const;

    // Mouse: a press in the graph starts a zoom drag; a press on a formant's row selects it and,
    // with the left or right button, starts a spin of that cell. Header and outside: nothing.
    void press(PixelPoint p, MouseButtons buttons);
    // One pass of the tracking loop with the buttons and the pointer now; false once the button
    // that started the gesture is up. Each spin pass changes the value and commits it.
    bool pass(PixelPoint p, MouseButtons buttons);
    bool spinning() const { return gesture_ == Gesture::kSpin; }
    float spinValue() const { return spinValue_; }

  private:
    enum class Gesture : std::uint8_t { kNone, kZoom, kSpin };

    float baseStep(MouseButtons buttons) const;
    float& field(MyFormantData& set, std::int32_t column, std::int32_t formant) const;
    void commit();

    MyVsti& instrument_;
    PixelRect graph_;
    PixelRect table_;
    std::int32_t slot_ = -1;
    MyFormantData copy_;
    std::int32_t selected_ = 0;
    float sampleRate_ = kDefaultSampleRate;
    float zoom_ = kDefaultZoom;
    float pixelsPerUnit_ = 0.0f;
    float unitsPerPixel_ = 0.0f;

    Gesture gesture_ = Gesture::kNone;
    bool startedWithLeft_ = false;
    PixelPoint last_;
    MouseButtons previous_;
    std::int32_t spinColumn_ = 0;
    float spinValue_ = 0.0f;
    float base_ = 0.0f;
    float step_ = 0.0f;
};

}  // namespace sorvella
