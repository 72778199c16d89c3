// Two-state bitmap buttons: the upper half of the bitmap shows the off (released) state, the lower
// half the on (pressed) state.
#pragma once

#include <cstdint>

#include "toolkit/control.h"

namespace sorvella {

// Each left click toggles the value between 0.0 and 1.0 and reports it.
class COnOffButton : public CControl {
  public:
    COnOffButton(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background);

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, int32_t buttons = -1) override;
};

// A momentary button: 1.0 while pressed with the pointer over it, 0.0 when the pointer leaves it
// (1.0 again when it comes back), and 0.0 once more when the button is let go, with or without a
// change. Each change is reported.
class CKickButton : public CControl {
  public:
    CKickButton(const CRect& size, CControlListener* listener, int32_t tag,
                int32_t heightOfOneImage, CBitmap* background, const CPoint& offset = {});

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, int32_t buttons = -1) override;

  private:
    int32_t heightOfOneImage_;
    CPoint offset_;
};

}  // namespace sorvella
