#ifndef MARL_QUAZI_CAIRO_HANDLES_H_
#define MARL_QUAZI_CAIRO_HANDLES_H_

#include <cairo.h>

#include "base/c_handle.h"

namespace marl {

// Owners of Cairo's reference-counted objects: each holds one reference.
using CairoSurface = CHandle<cairo_surface_t, cairo_surface_destroy>;
using CairoContext = CHandle<cairo_t, cairo_destroy>;
using CairoPattern = CHandle<cairo_pattern_t, cairo_pattern_destroy>;

// A surface of its own over the pixels of `image` (an image surface), so
// that threads can draw on one picture, or read one, without sharing a
// Cairo object. The pixels must outlive it.
inline CairoSurface surfaceOverPixelsOf(cairo_surface_t* image) {
  cairo_surface_flush(image);
  return CairoSurface(cairo_image_surface_create_for_data(
      cairo_image_surface_get_data(image),
      cairo_image_surface_get_format(image),
      cairo_image_surface_get_width(image),
      cairo_image_surface_get_height(image),
      cairo_image_surface_get_stride(image)));
}

}  // namespace marl

#endif  // MARL_QUAZI_CAIRO_HANDLES_H_
