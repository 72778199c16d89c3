#include "toolkit/splash_screen.h"

#include "toolkit/bitmap.h"
#include "toolkit/frame.h"

namespace sorvella {

CSplashScreen::CSplashScreen(const CRect& size, CControlListener* listener, int32_t tag,
                             CBitmap* background, const CRect& toDisplay, const CPoint& offset)
    : CControl(size, listener, tag, background),
      toDisplay_(toDisplay),
      keepSize_(size),
      offset_(offset) {
    setDefaultValue(0.0f);
}

void CSplashScreen::draw(CDrawContext* context) {
    if (value_ != 0.0f && getBackground() != nullptr) {
        if (getTransparency()) drawBackgroundBehind(context);
        getBackground()->draw(context, size, offset_);
    }
    setDirty(false);
}

void CSplashScreen::mouse(CDrawContext* context, CPoint&, int32_t buttons) {
    if (!getMouseEnabled()) return;
    if (buttons == -1) buttons = context->getMouseButtons();
    if (!(buttons & kLButton)) return;
    CFrame* frame = getFrame();
    if (value_ == 0.0f) {
        if (frame != nullptr && frame->getModalView() != nullptr) return;
        value_ = 1.0f;
        setViewSize(toDisplay_);
        if (frame != nullptr) frame->setModalView(this);
    } else {
        value_ = 0.0f;
        setViewSize(keepSize_);
        if (frame != nullptr) {
            frame->setModalView(nullptr);
            frame->redraw();
        }
        notifyListener(context);
    }
    setDirty();
}

}  // namespace sorvella
