#include "toolkit/draw_context.h"

#include <cairo.h>

#include <cmath>

#include "toolkit/bitmap.h"
#include "toolkit/frame.h"

namespace sorvella {
namespace {

CRect surfaceBounds(cairo_surface_t* surface, double scale) {
    if (surface == nullptr || cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE) {
        return {};
    }
    return {0, 0, static_cast<int32_t>(cairo_image_surface_get_width(surface) / scale),
            static_cast<int32_t>(cairo_image_surface_get_height(surface) / scale)};
}

// Paints source so that its pixel (0, 0) lies at x, y and scale of its pixels make one unit.
void paintScaled(cairo_t* cr, cairo_surface_t* source, double x, double y, double scale,
                 double alpha) {
    cairo_translate(cr, x, y);
    if (scale != 1.0) cairo_scale(cr, 1.0 / scale, 1.0 / scale);
    cairo_set_source_surface(cr, source, 0, 0);
    if (alpha >= 1.0) {
        cairo_paint(cr);
    } else {
        cairo_paint_with_alpha(cr, alpha);
    }
}

}  // namespace

CDrawContext::CDrawContext(CFrame* frame, cairo_surface_t* target, double scale)
    : target_(target), frame_(frame), scale_(scale > 0.0 ? scale : 1.0) {
    cr_ = cairo_create(target);
    cairo_scale(cr_, scale_, scale_);
    cairo_set_font_face(cr_, embeddedFontFace());
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    cairo_set_font_options(cr_, options);
    cairo_font_options_destroy(options);
    resetClipRect();
}

CDrawContext::~CDrawContext() {
    cairo_destroy(cr_);
}

void CDrawContext::setOffset(const CPoint& offset) {
    offset_ = offset;
}

void CDrawContext::setClipRect(const CRect& clip) {
    CRect inTarget = clip;
    inTarget.offset(offset_.h, offset_.v);
    clip_ = inTarget.intersection(surfaceBounds(target_, scale_));
    cairo_reset_clip(cr_);
    cairo_rectangle(cr_, clip_.left, clip_.top, clip_.width(), clip_.height());
    cairo_clip(cr_);
}

CRect CDrawContext::getClipRect() const {
    CRect local = clip_;
    return local.offset(-offset_.h, -offset_.v);
}

void CDrawContext::resetClipRect() {
    clip_ = surfaceBounds(target_, scale_);
    cairo_reset_clip(cr_);
}

void CDrawContext::applyColor(CColor color) {
    cairo_set_source_rgba(cr_, color.red / 255.0, color.green / 255.0, color.blue / 255.0,
                          color.alpha / 255.0);
}

void CDrawContext::applyStroke() {
    cairo_set_line_width(cr_, lineWidth_);
    cairo_set_line_cap(cr_, CAIRO_LINE_CAP_SQUARE);
    if (lineStyle_ == kLineOnOffDash) {
        const double dashes[] = {2.0, 2.0};
        cairo_set_dash(cr_, dashes, 2, 0.0);
        cairo_set_line_cap(cr_, CAIRO_LINE_CAP_BUTT);
    } else {
        cairo_set_dash(cr_, nullptr, 0, 0.0);
    }
}

void CDrawContext::touch(CRect localRect) {
    localRect.offset(offset_.h, offset_.v);
    touched_ = touched_.united(localRect.intersection(clip_));
}

CRect CDrawContext::takeTouchedArea() {
    CRect area = touched_;
    touched_ = {};
    return area;
}

void CDrawContext::lineTo(const CPoint& point) {
    drawLine(pen_, point);
    pen_ = point;
}

void CDrawContext::drawLine(const CPoint& from, const CPoint& to) {
    // Odd widths sit on pixel centres, even widths on pixel edges, so lines stay sharp.
    const double centre = (lineWidth_ % 2 == 1) ? 0.5 : 0.0;
    applyColor(frameColor_);
    applyStroke();
    cairo_move_to(cr_, from.h + offset_.h + centre, from.v + offset_.v + centre);
    cairo_line_to(cr_, to.h + offset_.h + centre, to.v + offset_.v + centre);
    cairo_stroke(cr_);
    const int32_t reach = lineWidth_ / 2 + 1;
    touch({std::min(from.h, to.h) - reach, std::min(from.v, to.v) - reach,
           std::max(from.h, to.h) + reach + 1, std::max(from.v, to.v) + reach + 1});
}

void CDrawContext::drawRect(const CRect& rect, CDrawStyle style) {
    if (rect.isEmpty()) return;
    const double x = rect.left + offset_.h;
    const double y = rect.top + offset_.v;
    if (style & kDrawFilled) {
        applyColor(fillColor_);
        cairo_rectangle(cr_, x, y, rect.width(), rect.height());
        cairo_fill(cr_);
    }
    if (style & kDrawStroked) {
        // The outline lies inside the rectangle.
        const double inset = lineWidth_ / 2.0;
        applyColor(frameColor_);
        applyStroke();
        cairo_set_line_join(cr_, CAIRO_LINE_JOIN_MITER);
        cairo_rectangle(cr_, x + inset, y + inset, rect.width() - lineWidth_,
                        rect.height() - lineWidth_);
        cairo_stroke(cr_);
    }
    touch(rect);
}

void CDrawContext::drawEllipse(const CRect& rect, CDrawStyle style) {
    if (rect.isEmpty()) return;
    auto ellipsePath = [&](double inset) {
        const double rx = rect.width() / 2.0 - inset;
        const double ry = rect.height() / 2.0 - inset;
        if (rx <= 0 || ry <= 0) return false;
        cairo_save(cr_);
        cairo_translate(cr_, rect.left + offset_.h + rect.width() / 2.0,
                        rect.top + offset_.v + rect.height() / 2.0);
        cairo_scale(cr_, rx, ry);
        cairo_new_path(cr_);
        cairo_arc(cr_, 0.0, 0.0, 1.0, 0.0, 2.0 * M_PI);
        cairo_restore(cr_);
        return true;
    };
    if ((style & kDrawFilled) && ellipsePath(0.0)) {
        applyColor(fillColor_);
        cairo_fill(cr_);
    }
    if ((style & kDrawStroked) && ellipsePath(lineWidth_ / 2.0)) {
        applyColor(frameColor_);
        applyStroke();
        cairo_stroke(cr_);
    }
    touch(rect);
}

void CDrawContext::drawPolygon(const CPoint* points, int32_t count, CDrawStyle style) {
    if (points == nullptr || count < 2) return;
    CRect bounds(points[0].h, points[0].v, points[0].h + 1, points[0].v + 1);
    cairo_new_path(cr_);
    for (int32_t i = 0; i < count; ++i) {
        cairo_line_to(cr_, points[i].h + offset_.h + 0.5, points[i].v + offset_.v + 0.5);
        bounds = bounds.united({points[i].h, points[i].v, points[i].h + 1, points[i].v + 1});
    }
    cairo_close_path(cr_);
    if (style & kDrawFilled) {
        applyColor(fillColor_);
        cairo_fill_preserve(cr_);
    }
    if (style & kDrawStroked) {
        applyColor(frameColor_);
        applyStroke();
        cairo_stroke_preserve(cr_);
    }
    cairo_new_path(cr_);
    touch({bounds.left - 1, bounds.top - 1, bounds.right + 1, bounds.bottom + 1});
}

void CDrawContext::drawString(std::string_view text, const CRect& rect, bool opaque,
                              CHoriTxtAlign align) {
    if (opaque) drawRect(rect, kDrawFilled);
    if (text.empty() || rect.isEmpty()) return;
    const std::string line(text);
    cairo_set_font_size(cr_, fontPixelSize(font_));
    cairo_font_extents_t font;
    cairo_font_extents(cr_, &font);
    cairo_text_extents_t extents;
    cairo_text_extents(cr_, line.c_str(), &extents);
    double x = rect.left + offset_.h;
    if (align == kCenterText) x += (rect.width() - extents.x_advance) / 2.0;
    if (align == kRightText) x += rect.width() - extents.x_advance;
    const double baseline =
        rect.top + offset_.v + (rect.height() + font.ascent - font.descent) / 2.0;
    cairo_save(cr_);
    cairo_rectangle(cr_, rect.left + offset_.h, rect.top + offset_.v, rect.width(), rect.height());
    cairo_clip(cr_);
    applyColor(fontColor_);
    cairo_move_to(cr_, std::round(x), std::round(baseline));
    cairo_show_text(cr_, line.c_str());
    cairo_restore(cr_);
    touch(rect);
}

int32_t CDrawContext::getStringWidth(std::string_view text) {
    const std::string line(text);
    cairo_set_font_size(cr_, fontPixelSize(font_));
    cairo_text_extents_t extents;
    cairo_text_extents(cr_, line.c_str(), &extents);
    return static_cast<int32_t>(std::ceil(extents.x_advance));
}

void CDrawContext::drawBitmap(const CBitmap& bitmap, const CRect& rect, const CPoint& offset,
                              uint8_t alpha) {
    if (!bitmap.isLoaded() || rect.isEmpty() || alpha == 0) return;
    cairo_save(cr_);
    cairo_rectangle(cr_, rect.left + offset_.h, rect.top + offset_.v, rect.width(), rect.height());
    cairo_clip(cr_);
    paintScaled(cr_, bitmap.surface(), rect.left + offset_.h - offset.h,
                rect.top + offset_.v - offset.v, bitmap.getScale(), alpha / 255.0);
    cairo_restore(cr_);
    touch(rect);
}

void CDrawContext::drawSurface(cairo_surface_t* source, const CRect& rect, const CPoint& offset,
                               double sourceScale) {
    if (source == nullptr || rect.isEmpty()) return;
    cairo_save(cr_);
    cairo_rectangle(cr_, rect.left + offset_.h, rect.top + offset_.v, rect.width(), rect.height());
    cairo_clip(cr_);
    cairo_set_operator(cr_, CAIRO_OPERATOR_SOURCE);
    paintScaled(cr_, source, rect.left + offset_.h - offset.h, rect.top + offset_.v - offset.v,
                sourceScale, 1.0);
    cairo_restore(cr_);
    touch(rect);
}

int32_t CDrawContext::getMouseButtons() {
    if (frame_ == nullptr) return 0;
    return frame_->getPointer().buttons;
}

void CDrawContext::getMouseLocation(CPoint& point) {
    if (frame_ == nullptr) return;
    const CPoint where = frame_->getPointer().where;
    point = {where.h - offset_.h, where.v - offset_.v};
}

COffscreenContext::COffscreenContext(CFrame* frame, int32_t width, int32_t height,
                                     CColor background)
    : CDrawContext(frame,
                   cairo_image_surface_create(
                       CAIRO_FORMAT_ARGB32,
                       static_cast<int>(std::max(width, 1) * CFrame::scaleOf(frame) + 0.5),
                       static_cast<int>(std::max(height, 1) * CFrame::scaleOf(frame) + 0.5)),
                   CFrame::scaleOf(frame)),
      width_(width),
      height_(height),
      scale_(CFrame::scaleOf(frame)) {
    setFillColor(background);
    drawRect({0, 0, width, height}, kDrawFilled);
    takeTouchedArea();
}

// The context holds its own reference on the surface until the base destructor releases it.
COffscreenContext::~COffscreenContext() {
    cairo_surface_destroy(target_);
}

void COffscreenContext::copyFrom(CDrawContext* dest, const CRect& destRect,
                                 const CPoint& srcOffset) {
    if (dest != nullptr) dest->drawSurface(target_, destRect, srcOffset, scale_);
}

}  // namespace sorvella
