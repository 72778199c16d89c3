// A one-line text field. A click starts editing: the field takes the keyboard focus (and its
// window the keyboard), shows a caret and takes printable characters up to its length limit.
// Return, Enter, Tab or a click elsewhere ends editing and reports the text; Escape ends it and
// puts the old text back without a report. The window gives the keyboard back when editing ends.
#pragma once

#include <cstdint>
#include <string>

#include "toolkit/param_display.h"

namespace sorvella {

class CTextEdit : public CParamDisplay {
  public:
    CTextEdit(const CRect& size, CControlListener* listener, int32_t tag, const char* text = "",
              CBitmap* background = nullptr, int32_t style = 0);

    // Cut to the length limit.
    void setText(const std::string& text);
    const std::string& getText() const { return text_; }
    void setMaxLength(int32_t characters);
    int32_t getMaxLength() const { return maxLength_; }
    bool isEditing() const { return editing_; }
    size_t caret() const { return caret_; }

    std::string displayText() const override { return text_; }
    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, int32_t buttons = -1) override;
    int32_t onKeyDown(const CKeyEvent& key) override;
    void takeFocus() override;
    void looseFocus() override;

  private:
    std::string text_;
    std::string original_;
    int32_t maxLength_ = 255;
    size_t caret_ = 0;
    bool editing_ = false;
    bool cancelled_ = false;
};

}  // namespace sorvella
