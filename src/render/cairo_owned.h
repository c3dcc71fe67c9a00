#ifndef MARL_RENDER_CAIRO_OWNED_H_
#define MARL_RENDER_CAIRO_OWNED_H_

#include <memory>

#include <cairo.h>

namespace marl {

// Cairo objects owned by one holder each, released when it goes.
struct CairoRelease {
  void operator()(cairo_surface_t* surface) const {
    cairo_surface_destroy(surface);
  }
  void operator()(cairo_t* context) const { cairo_destroy(context); }
  void operator()(cairo_pattern_t* pattern) const {
    cairo_pattern_destroy(pattern);
  }
};
using OwnedSurface = std::unique_ptr<cairo_surface_t, CairoRelease>;
using OwnedContext = std::unique_ptr<cairo_t, CairoRelease>;
using OwnedPattern = std::unique_ptr<cairo_pattern_t, CairoRelease>;

// A surface of its own over the pixels of `image` (an image surface), so
// that threads can draw on one picture, or read one, without sharing a
// Cairo object. The pixels must outlive it.
inline OwnedSurface surfaceOverPixelsOf(cairo_surface_t* image) {
  cairo_surface_flush(image);
  return OwnedSurface(cairo_image_surface_create_for_data(
      cairo_image_surface_get_data(image),
      cairo_image_surface_get_format(image),
      cairo_image_surface_get_width(image),
      cairo_image_surface_get_height(image),
      cairo_image_surface_get_stride(image)));
}

}  // namespace marl

#endif  // MARL_RENDER_CAIRO_OWNED_H_
