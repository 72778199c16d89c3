// The editor's small controls on the toolkit: the value display above each knob (its text comes
// from the instrument, and in learn mode it takes learn clicks), the credits splash with its
// three link lines, and the momentary button that acts once, on release inside it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "editor/mouse_buttons.h"
#include "toolkit/buttons.h"
#include "toolkit/param_display.h"
#include "toolkit/splash_screen.h"

namespace sorvella {

MouseButtons mouseButtonsOf(std::int32_t buttons);

// What a value display asks of the editor.
class ValueDisplaySource {
  public:
    virtual ~ValueDisplaySource() = default;
    virtual void displayText(std::int32_t parameter, char* out, std::size_t size) = 0;
    // A click on the display with `tag`; the editor decides (learn mode) what it does.
    virtual void displayClicked(std::int32_t tag, MouseButtons buttons) = 0;
};

class RZ_CParamDisplay : public CParamDisplay {
  public:
    RZ_CParamDisplay(const CRect& size, std::int32_t tag, ValueDisplaySource& source);
    std::string displayText() const override;
    void mouse(CDrawContext* context, CPoint& where, int32_t buttons = -1) override;

  private:
    ValueDisplaySource& source_;
};

// The three web pages of the credits panel, in the order of its link lines.
inline constexpr const char* kCreditsLinks[3] = {"https://kestrane.example.org/sorvella",
                                                 "https://kestrane.example.org/artwork",
                                                 "https://kestrane.example.org/testing"};
// The link line under a point relative to the panel's top-left corner: 0..2, or -1.
std::int32_t creditsLinkAt(CPoint relative);
// Opens a web page in the user's browser through xdg-open, without waiting for it. False when
// xdg-open could not be started.
bool openWebPage(const char* address);

class MyCSplashScreen : public CSplashScreen {
  public:
    MyCSplashScreen(const CRect& logo, CControlListener* listener, std::int32_t tag, CBitmap* panel,
                    const CRect& toDisplay);
    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, int32_t buttons = -1) override;
};

// A momentary button that reports 1 when pressed and 0 once when let go over it. Leaving it while
// pressed only redraws it, so the action that follows the release (a file dialog) happens once
// and never inside the mouse-tracking loop's pass.
class ReleaseButton : public CKickButton {
  public:
    using CKickButton::CKickButton;
    void mouse(CDrawContext* context, CPoint& where, int32_t buttons = -1) override;
};

}  // namespace sorvella
