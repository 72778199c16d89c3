// Knobs. A knob follows the mouse while the left button is held, in one of two modes shared by
// every knob of the process: linear (up and right turn it up; 200 pixels cover the range, 300 with
// Shift) or circular (the value follows the pointer's angle over the 270-degree arc from the
// lower left to the lower right). Alt swaps the two for one drag; Alt means Mod1 or Mod5, since
// window managers often keep Mod1-drag for themselves.
#pragma once

#include <cstdint>

#include "toolkit/control.h"

namespace sorvella {

enum CKnobMode : int32_t { kLinearMode = 0, kCircularMode = 1 };

void setKnobMode(CKnobMode mode);
CKnobMode getKnobMode();

class CKnob : public CControl {
  public:
    static constexpr float kLinearPixels = 200.0f;
    static constexpr float kFinePixels = 300.0f;  // 1.5 times slower with Shift
    static constexpr double kArcDegrees = 270.0;

    CKnob(const CRect& size, CControlListener* listener, int32_t tag);

    // Begin edit; Ctrl-click sets the default value; a left drag tracks the mouse; end edit.
    void mouse(CDrawContext* context, CPoint& where, int32_t buttons = -1) override;
    bool onWheel(CDrawContext* context, const CPoint& where, float distance) override;
    // A plain knob: a disc with a pointer.
    void draw(CDrawContext* context) override;

    void setHandleColor(CColor color) { handleColor_ = color; }
    void setBodyColor(CColor color) { bodyColor_ = color; }

    // The value at a pointer position in circular mode (parent coordinates): the arc's start is
    // min, its end max; positions in the gap below the centre take the nearer end.
    float valueFromAngle(const CPoint& where) const;
    // The pointer's angle in degrees for a value, 0 pointing right, counter-clockwise.
    double angleForValue(float normalized) const;

  protected:
    // Follows the mouse while the left button is down, one pass per poll, calling doIdleStuff()
    // once per pass. The value set is value_ (the drawn value).
    void trackMouse(CDrawContext* context, const CPoint& where);

  private:
    CColor handleColor_ = kWhiteCColor;
    CColor bodyColor_ = {60, 60, 60, 255};
};

// A knob drawn from a film strip: frames of equal height stacked from top to bottom; the frame
// shown is trunc(fraction * (frames - 1)) of the value's place in min..max.
class CAnimKnob : public CKnob {
  public:
    CAnimKnob(const CRect& size, CControlListener* listener, int32_t tag, int32_t subPixmaps,
              int32_t heightOfOneImage, CBitmap* background, const CPoint& offset = {});

    void draw(CDrawContext* context) override;
    int32_t frameShown() const;
    int32_t getNbSubPixmaps() const { return subPixmaps_; }

  private:
    int32_t subPixmaps_;
    int32_t heightOfOneImage_;
    CPoint offset_;
};

}  // namespace sorvella
