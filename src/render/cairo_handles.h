#ifndef MARL_RENDER_CAIRO_HANDLES_H_
#define MARL_RENDER_CAIRO_HANDLES_H_

#include <cairo.h>

#include "base/c_handle.h"

namespace marl {

// Owners of Cairo's reference-counted objects: each holds one reference.
using CairoSurface = CHandle<cairo_surface_t, cairo_surface_destroy>;
using CairoContext = CHandle<cairo_t, cairo_destroy>;
using CairoPattern = CHandle<cairo_pattern_t, cairo_pattern_destroy>;

}  // namespace marl

#endif  // MARL_RENDER_CAIRO_HANDLES_H_
