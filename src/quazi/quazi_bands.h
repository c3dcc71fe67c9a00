#ifndef MARL_QUAZI_QUAZI_BANDS_H_
#define MARL_QUAZI_QUAZI_BANDS_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "quazi/quazi_image.h"
#include "render/bitmap.h"

namespace marl {

// Rows [top, top + rows) of a picture `width` pixels wide: row r at
// pixels + r * stride, packed 0xAARRGGBB premultiplied as in a Bitmap. The
// pixels stay valid only during the call that hands the band on.
struct PixelBand {
  int top = 0;
  int rows = 0;
  int width = 0;
  const uint32_t* pixels = nullptr;
  std::size_t stride = 0;  // in pixels
};

// Takes the bands of a picture from the top down, each once; returns false
// to stop the painting (no further band comes). It must not throw.
using BandConsumer = std::function<bool(const PixelBand&)>;

// How a tiling picture is cut into bands.
struct BandLayout {
  static constexpr int DefaultRows = 128;
  int rows = DefaultRows;
  // Widest and tallest surface Cairo makes; a picture within it is painted
  // on one surface, whole.
  int surfaceSide = 32767;
};

// Paints the quazi-crystal picture of `attractor` (as paintQuaziImage) and
// hands it to `take` band by band, in order, on the calling thread.
//
// A picture whose side is within layout.surfaceSide is painted whole on one
// surface on `threads` threads first, so its pixels are exactly
// paintQuaziImage's. A larger one is painted band by band: each band on
// Cairo surfaces of its own (pieces at most surfaceSide wide), translated
// by whole pixels, `threads` bands at a time, at most `threads` bands held
// at once. Cairo samples a transformed picture a little differently where
// a surface lies, so such a picture differs from a whole-surface painting
// by a level or two in some pixels; it is the same for any `threads`.
//
// Returns false with the reason in `error` when no picture can be made,
// or when a band found no memory after some were handed on.
bool paintQuaziBands(const Bitmap& attractor, const QuaziSettings& settings,
                     const std::vector<double>& spacingUnits, unsigned threads,
                     const BandConsumer& take, std::string& error,
                     const BandLayout& layout = {});

// Paints the side x side picture of a placed tiling band by band as
// paintQuaziBands does above layout.surfaceSide, whatever the side: each
// band on surfaces of its own. False, with the reason in `error`, when a
// band found no memory (the bands before it were handed on); true when all
// were, or when `take` stopped them.
bool paintPlacedBands(const QuaziTiling& tiling, const Bitmap& attractor,
                      int side, unsigned threads, const BandConsumer& take,
                      std::string& error, const BandLayout& layout = {});

}  // namespace marl

#endif  // MARL_QUAZI_QUAZI_BANDS_H_
