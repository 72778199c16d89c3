#include "toolkit/bitmap.h"

#include <cairo.h>

#include <cstring>

#include "toolkit/draw_context.h"

namespace sorvella {
namespace {

struct PngReader {
    const uint8_t* bytes;
    size_t size;
    size_t position;
};

cairo_status_t readPngChunk(void* closure, unsigned char* data, unsigned int length) {
    auto* reader = static_cast<PngReader*>(closure);
    if (length > reader->size - reader->position) return CAIRO_STATUS_READ_ERROR;
    std::memcpy(data, reader->bytes + reader->position, length);
    reader->position += length;
    return CAIRO_STATUS_SUCCESS;
}

bool validScale(double scale) {
    return scale >= 1.0 && scale <= 4.0;
}

}  // namespace

CBitmap::CBitmap(const uint8_t* pngBytes, size_t size, double scale) {
    if (pngBytes == nullptr || size == 0) return;
    PngReader reader{pngBytes, size, 0};
    adopt(cairo_image_surface_create_from_png_stream(readPngChunk, &reader), scale);
}

CBitmap::CBitmap(int32_t width, int32_t height, double scale) {
    if (width <= 0 || height <= 0 || !validScale(scale)) return;
    adopt(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(width * scale + 0.5),
                                     static_cast<int>(height * scale + 0.5)),
          scale);
}

CBitmap::CBitmap(cairo_surface_t* adoptedSurface, double scale) {
    adopt(adoptedSurface, scale);
}

CBitmap::~CBitmap() {
    if (surface_ != nullptr) cairo_surface_destroy(surface_);
}

void CBitmap::adopt(cairo_surface_t* surface, double scale) {
    if (surface == nullptr) return;
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS ||
        cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE || !validScale(scale)) {
        cairo_surface_destroy(surface);
        return;
    }
    surface_ = surface;
    scale_ = scale;
    width_ = static_cast<int32_t>(cairo_image_surface_get_width(surface) / scale + 0.5);
    height_ = static_cast<int32_t>(cairo_image_surface_get_height(surface) / scale + 0.5);
}

void CBitmap::draw(CDrawContext* context, const CRect& rect, const CPoint& offset) const {
    if (context != nullptr) context->drawBitmap(*this, rect, offset, 255);
}

void CBitmap::drawAlphaBlend(CDrawContext* context, const CRect& rect, const CPoint& offset,
                             uint8_t alpha) const {
    if (context != nullptr) context->drawBitmap(*this, rect, offset, alpha);
}

}  // namespace sorvella
