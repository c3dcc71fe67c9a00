#ifndef MARL_QUAZI_QUAZI_BANDS_H_
#define MARL_QUAZI_QUAZI_BANDS_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "quazi/quazi_image.h"
#include "quazi/bitmap.h"

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
  // Widest surface Cairo makes; a band is painted in pieces of this width.
  int surfaceSide = 32767;
};

// Paints the side x side picture of a placed tiling (as QuaziPictureRows
// would, were it within one surface) and hands it to `take` band by band,
// in order: each band on Cairo surfaces of its own (pieces at most
// layout.surfaceSide wide), translated by whole pixels, `threads` bands at
// a time, at most `threads` bands held at once. Cairo samples a transformed
// picture a little differently where a surface lies, so the picture can
// differ from a one-surface painting by a level or two in some pixels; it
// is the same for any `threads`. False, with the reason in `error`, when a
// band found no memory (the bands before it were handed on); true when all
// were, or when `take` stopped them.
bool paintPlacedBands(const QuaziTiling& tiling, const Bitmap& attractor,
                      int side, unsigned threads, const BandConsumer& take,
                      std::string& error, const BandLayout& layout = {});

}  // namespace marl

#endif  // MARL_QUAZI_QUAZI_BANDS_H_
