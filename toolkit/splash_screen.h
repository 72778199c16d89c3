// A logo area that, clicked, shows a panel bitmap over a larger area as the frame's modal view;
// clicked again, it hides the panel and reports. The value is 1.0 while the panel shows.
#pragma once

#include <cstdint>

#include "toolkit/control.h"

namespace sorvella {

class CSplashScreen : public CControl {
  public:
    CSplashScreen(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background,
                  const CRect& toDisplay, const CPoint& offset = {});

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, int32_t buttons = -1) override;

    const CRect& displayArea() const { return toDisplay_; }
    const CRect& logoArea() const { return keepSize_; }

  private:
    CRect toDisplay_;
    CRect keepSize_;
    CPoint offset_;
};

}  // namespace sorvella
