// Drawing through cairo in whole-pixel coordinates. A context draws into a target surface (the
// frame's backing image, or an offscreen surface) with an offset that turns the coordinates of
// the view being drawn into the target's, and records the area it touched so the frame can show
// exactly that on screen.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "toolkit/font.h"
#include "toolkit/geometry.h"

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

namespace sorvella {

class CBitmap;
class CFrame;

enum CDrawStyle { kDrawStroked = 1, kDrawFilled = 2, kDrawFilledAndStroked = 3 };
enum CLineStyle { kLineSolid, kLineOnOffDash };
enum CHoriTxtAlign { kLeftText, kCenterText, kRightText };

class CDrawContext {
  public:
    // Draws into target (which must outlive the context); frame, when given, answers the mouse
    // queries of controls that track the mouse with this context. With a scale other than 1 the
    // target has that many pixels per unit of every coordinate given here (a HiDPI window).
    CDrawContext(CFrame* frame, cairo_surface_t* target, double scale = 1.0);
    virtual ~CDrawContext();
    CDrawContext(const CDrawContext&) = delete;
    CDrawContext& operator=(const CDrawContext&) = delete;

    CFrame* getFrame() const { return frame_; }
    double getScale() const { return scale_; }
    cairo_t* cairo() const { return cr_; }

    // The offset is where the current view's coordinate origin lies in the target.
    void setOffset(const CPoint& offset);
    CPoint getOffset() const { return offset_; }

    // Clipping, in the current view's coordinates; always within the target.
    void setClipRect(const CRect& clip);
    CRect getClipRect() const;
    void resetClipRect();

    void setFrameColor(CColor color) { frameColor_ = color; }
    void setFillColor(CColor color) { fillColor_ = color; }
    void setFontColor(CColor color) { fontColor_ = color; }
    CColor getFrameColor() const { return frameColor_; }
    CColor getFillColor() const { return fillColor_; }
    CColor getFontColor() const { return fontColor_; }
    void setLineWidth(int32_t width) { lineWidth_ = width < 1 ? 1 : width; }
    void setLineStyle(CLineStyle style) { lineStyle_ = style; }
    void setFont(CFontId font) { font_ = font; }
    CFontId getFont() const { return font_; }

    // Lines run through pixel centres, so a one-pixel line covers exactly its pixels.
    void moveTo(const CPoint& point) { pen_ = point; }
    void lineTo(const CPoint& point);
    void drawLine(const CPoint& from, const CPoint& to);
    void drawRect(const CRect& rect, CDrawStyle style = kDrawStroked);
    void fillRect(const CRect& rect) { drawRect(rect, kDrawFilled); }
    void drawEllipse(const CRect& rect, CDrawStyle style = kDrawStroked);
    void drawPolygon(const CPoint* points, int32_t count, CDrawStyle style = kDrawStroked);

    // Text is one line, vertically centred in rect; opaque fills rect with the fill colour first.
    void drawString(std::string_view text, const CRect& rect, bool opaque = false,
                    CHoriTxtAlign align = kCenterText);
    int32_t getStringWidth(std::string_view text);

    void drawBitmap(const CBitmap& bitmap, const CRect& rect, const CPoint& offset,
                    uint8_t alpha = 255);
    // Copies part of another surface (for offscreen contexts, sourceScale pixels per unit) at
    // full opacity.
    void drawSurface(cairo_surface_t* source, const CRect& rect, const CPoint& offset,
                     double sourceScale = 1.0);

    // The mouse as the frame sees it now, in this context's coordinates. Without a frame the
    // buttons are 0 and the location is left unchanged.
    int32_t getMouseButtons();
    void getMouseLocation(CPoint& point);

    // The part of the target drawn since the last call, in target coordinates (units, not
    // pixels).
    CRect takeTouchedArea();

  protected:
    void touch(CRect localRect);
    void applyColor(CColor color);
    void applyStroke();

    cairo_t* cr_ = nullptr;
    cairo_surface_t* target_ = nullptr;

  private:
    CFrame* frame_ = nullptr;
    double scale_ = 1.0;
    CPoint offset_;
    CRect clip_;  // target coordinates
    CRect touched_;
    CPoint pen_;
    CColor frameColor_ = kBlackCColor;
    CColor fillColor_ = kWhiteCColor;
    CColor fontColor_ = kBlackCColor;
    int32_t lineWidth_ = 1;
    CLineStyle lineStyle_ = kLineSolid;
    CFontId font_ = kNormalFont;
};

// A context with its own image surface, for controls that compose their picture before copying it
// to the screen in one piece.
class COffscreenContext : public CDrawContext {
  public:
    COffscreenContext(CFrame* frame, int32_t width, int32_t height,
                      CColor background = kBlackCColor);
    ~COffscreenContext() override;

    int32_t getWidth() const { return width_; }
    int32_t getHeight() const { return height_; }
    cairo_surface_t* surface() const { return target_; }

    // Copies the part of this surface at srcOffset into destRect of dest.
    void copyFrom(CDrawContext* dest, const CRect& destRect, const CPoint& srcOffset = {});

  private:
    int32_t width_;
    int32_t height_;
    double scale_;
};

}  // namespace sorvella
