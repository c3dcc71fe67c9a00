#include "quazi/bitmap.h"

#include <cairo.h>

namespace marl {

Bitmap::Bitmap(int width, int height) {
  if (width <= 0 || height <= 0) return;
  cairo_surface_t* surface =
      cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return;
  }
  surface_ = surface;
  pixels_ = cairo_image_surface_get_data(surface);
  width_ = width;
  height_ = height;
  stride_ = cairo_image_surface_get_stride(surface);
}

Bitmap::~Bitmap() {
  if (surface_) cairo_surface_destroy(surface_);
}

uint32_t* Bitmap::row(int y) {
  return reinterpret_cast<uint32_t*>(pixels_ + std::size_t(y) * stride_);
}

const uint32_t* Bitmap::row(int y) const {
  return reinterpret_cast<const uint32_t*>(pixels_ + std::size_t(y) * stride_);
}

}  // namespace marl
