// The few views the program's dialogs need beyond the toolkit's controls: static text, a group
// frame with its caption, a push button with a text, and a drop-down list that can show no
// choice.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "toolkit/option_menu.h"

namespace sorvella {

// One line of static text.
class DialogLabel : public CView {
  public:
    DialogLabel(const CRect& size, std::string text, CHoriTxtAlign align = kLeftText);
    void setText(std::string text);
    const std::string& text() const { return text_; }
    void draw(CDrawContext* context) override;

  private:
    std::string text_;
    CHoriTxtAlign align_;
};

// A frame around a group of controls, its caption set into the top line.
class DialogGroup : public CView {
  public:
    DialogGroup(const CRect& size, std::string caption);
    void draw(CDrawContext* context) override;

  private:
    std::string caption_;
};

// A push button: reports once (value 1.0) when it is let go over itself. The default button has
// a darker outline.
class DialogButton : public CControl {
  public:
    DialogButton(const CRect& size, CControlListener* listener, int32_t tag, std::string text,
                 bool isDefault = false);
    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, int32_t buttons = -1) override;

  private:
    std::string text_;
    bool default_;
    bool pressed_ = false;
};

// A drop-down list that starts with no choice when told so: it then shows nothing until the user
// picks an entry.
class DialogChoice : public COptionMenu {
  public:
    DialogChoice(const CRect& size, CControlListener* listener, int32_t tag);
    // The entry to show, or none.
    void choose(std::optional<std::size_t> entry);
    std::optional<std::size_t> choice() const;
    std::string displayText() const override;
    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, int32_t buttons = -1) override;

  private:
    bool chosen_ = false;
};

}  // namespace sorvella
