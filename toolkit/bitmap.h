// A reference-counted image with alpha, kept as a cairo image surface (premultiplied ARGB32).
// Skin bitmaps come from PNG bytes embedded in the binary; tests and generators make them in code.
// An image drawn for a HiDPI scale has more pixels than its size: a scale-2 image of a 35 x 34
// knob frame has 70 x 68 pixels, and its width and height answer 35 and 34, so that layouts and
// frame counts are the same at every scale.
#pragma once

#include <cstddef>
#include <cstdint>

#include "toolkit/geometry.h"
#include "toolkit/reference_counter.h"

typedef struct _cairo_surface cairo_surface_t;

namespace sorvella {

class CDrawContext;

class CBitmap : public CReferenceCounter {
  public:
    // Decodes a PNG image held in memory. A damaged or truncated image leaves the bitmap without
    // an image: isLoaded() is false and it draws nothing.
    CBitmap(const uint8_t* pngBytes, size_t size, double scale = 1.0);
    // A transparent image of the given size, to be drawn into through surface().
    CBitmap(int32_t width, int32_t height, double scale = 1.0);
    // Takes over one reference of an image surface (ARGB32 or RGB24).
    explicit CBitmap(cairo_surface_t* adoptedSurface, double scale = 1.0);

    bool isLoaded() const { return surface_ != nullptr; }
    int32_t getWidth() const { return width_; }
    int32_t getHeight() const { return height_; }
    // Pixels per unit of size.
    double getScale() const { return scale_; }
    cairo_surface_t* surface() const { return surface_; }

    // Copies the part of the image at offset into rect of the context, blending by the image's
    // alpha; alpha scales the whole copy (255 = as the image is).
    void draw(CDrawContext* context, const CRect& rect, const CPoint& offset = {}) const;
    void drawAlphaBlend(CDrawContext* context, const CRect& rect, const CPoint& offset,
                        uint8_t alpha) const;

  protected:
    ~CBitmap() override;

  private:
    void adopt(cairo_surface_t* surface, double scale);

    cairo_surface_t* surface_ = nullptr;
    int32_t width_ = 0;
    int32_t height_ = 0;
    double scale_ = 1.0;
};

}  // namespace sorvella
