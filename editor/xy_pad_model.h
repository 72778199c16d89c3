// The XY pad without its drawing: the two vowel morphs as a position in the pad, the dot and its
// trail of ten earlier positions, the glide toward a clicked point in equal steps ("X/Y inertia"),
// and the flags the editor reads when the pad reports.
#pragma once

#include <array>
#include <cstdint>

#include "editor/editor_geometry.h"
#include "editor/mouse_buttons.h"

namespace sorvella {

struct Rgb {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
    bool operator==(const Rgb&) const = default;
};

// What the editor does when the pad reports.
struct XYPadReport {
    bool sendX = false;             // setParameterAutomated("Vowel1 Morph", x)
    bool sendY = false;             // setParameterAutomated("Vowel2 Morph", y)
    bool settingsChosen = false;    // save, then apply the editor settings
    std::int32_t learnTarget = -1;  // the parameter MIDI learn takes in learn mode; Y wins
};

class XYPadModel {
  public:
    static constexpr std::int32_t kTrailLength = 10;
    static constexpr std::int32_t kInset = 4;  // the dot's centre stays this far from the edges
    static constexpr std::int32_t kInertiaLevels = 6;

    XYPadModel(std::int32_t width, std::int32_t height);

    float x() const { return x_; }  // "Vowel1 Morph", grows to the right
    float y() const { return y_; }  // "Vowel2 Morph", grows downward
    // The parameter path: moves the dot, extending the trail; never reports.
    void setX(float value);
    void setY(float value);

    std::int32_t pixelX(float value) const;
    std::int32_t pixelY(float value) const;
    float valueX(std::int32_t px) const;  // limited to 0..1
    float valueY(std::int32_t py) const;

    const PixelRect& cursor() const { return cursor_; }  // the 6 x 6 dot
    // The trail from the oldest entry to the youngest, and the outline colour of each.
    std::array<PixelRect, kTrailLength> trailOldestFirst() const;
    static Rgb trailColour(std::int32_t age);  // age 0 = oldest
    static constexpr Rgb kBackground{50, 80, 100};
    static constexpr Rgb kDotFill{100, 104, 70};

    // Levels 0..5 ("off" .. "full"); any other level reads as 0. A glide in progress keeps its
    // increments.
    void setInertia(std::int32_t level);
    std::int32_t glideSteps() const { return glideSteps_; }
    float glideFactor() const { return glideFactor_; }
    std::int32_t stepsLeft() const { return stepsLeft_; }

    // Mouse tracking: beginTrack at the press (the pointer, or centre() for Ctrl-click); then,
    // while tracking(), one trackPass per poll with the buttons and pointer now. A pass that
    // answers true made a step: draw the pad and report.
    void beginTrack(PixelPoint local);
    bool tracking() const { return leftHeld_ || stepsLeft_ != 0; }
    bool trackPass(MouseButtons buttons, PixelPoint local);
    PixelPoint centre() const { return {width_ / 2, height_ / 2}; }

    bool changedX() const { return changedX_; }
    bool changedY() const { return changedY_; }
    bool settingsChanged() const { return settingsChanged_; }
    // Around the report of a settings-menu choice. The move flags are cleared first, so the
    // report neither re-sends the morphs nor arms MIDI learn.
    void beginSettingsReport();
    void endSettingsReport() { settingsChanged_ = false; }
    XYPadReport report() const;

  private:
    void startGlide(PixelPoint local);
    void step(bool recordTrail);
    void pushTrail();
    void placeCursor();

    std::int32_t width_;
    std::int32_t height_;
    float rangeX_;
    float invRangeX_;
    float rangeY_;
    float invRangeY_;
    float x_ = 0.0f;
    float y_ = 0.0f;
    PixelRect cursor_{0, 0, 6, 6};
    std::array<PixelRect, kTrailLength> trail_;
    std::int32_t trailIndex_ = 0;
    float dx_ = 0.0f;
    float dy_ = 0.0f;
    std::int32_t stepsLeft_ = 0;
    std::int32_t glideSteps_ = 1;
    float glideFactor_ = 1.0f;
    bool changedX_ = false;
    bool changedY_ = false;
    bool settingsChanged_ = false;
    bool leftHeld_ = false;
    PixelPoint last_;
};

}  // namespace sorvella
