// A control that shows its value as one line of text. The text comes from a conversion function
// (by default the value with two decimals), which the owner can replace.
#pragma once

#include <cstdint>
#include <string>

#include "toolkit/control.h"

namespace sorvella {

// Styles of text controls; 0 draws the background, an outline and the text.
enum CTextStyle : int32_t {
    kNoFrame = 1 << 0,
    kNoTextStyle = 1 << 1,
    kNoDrawStyle = 1 << 2,  // draws nothing at all
};

// Writes the text for value into text, which holds kTextCapacity bytes.
using CParamDisplayConvert = void (*)(float value, char* text, void* userData);

class CParamDisplay : public CControl {
  public:
    static constexpr int32_t kTextCapacity = 256;

    CParamDisplay(const CRect& size, CBitmap* background = nullptr, int32_t style = 0);

    void draw(CDrawContext* context) override;

    void setStringConvert(CParamDisplayConvert convert, void* userData = nullptr);
    // The text the display shows for its present value.
    virtual std::string displayText() const;

    void setFont(CFontId font) {
        font_ = font;
        setDirty();
    }
    CFontId getFont() const { return font_; }
    void setFontColor(CColor color) {
        fontColor_ = color;
        setDirty();
    }
    CColor getFontColor() const { return fontColor_; }
    void setBackColor(CColor color) {
        backColor_ = color;
        setDirty();
    }
    CColor getBackColor() const { return backColor_; }
    void setFrameColor(CColor color) {
        frameColor_ = color;
        setDirty();
    }
    CColor getFrameColor() const { return frameColor_; }
    void setHoriAlign(CHoriTxtAlign align) {
        align_ = align;
        setDirty();
    }
    CHoriTxtAlign getHoriAlign() const { return align_; }
    void setStyle(int32_t style) {
        style_ = style;
        setDirty();
    }
    int32_t getStyle() const { return style_; }

  protected:
    // Background (or what lies behind, when transparent), outline, and the text.
    void drawText(CDrawContext* context, const std::string& text);

  private:
    CParamDisplayConvert convert_ = nullptr;
    void* userData_ = nullptr;
    CFontId font_ = kNormalFontSmaller;
    CColor fontColor_ = kBlackCColor;
    CColor backColor_ = kWhiteCColor;
    CColor frameColor_ = kBlackCColor;
    CHoriTxtAlign align_ = kCenterText;
    int32_t style_ = 0;
};

}  // namespace sorvella
