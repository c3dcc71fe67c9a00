#ifndef MARL_QUAZI_QUAZI_IMAGE_H_
#define MARL_QUAZI_QUAZI_IMAGE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "quazi/quazi_tiling.h"
#include "quazi/bitmap.h"

namespace marl {

// A job's settings for the quazi-crystal picture.
struct QuaziSettings {
  int32_t qline;   // line families, 5 to 42
  int32_t qsize;   // side of the picture in pixels
  int32_t qx;      // pixel where the tiling's origin lands
  int32_t qy;
  double qscale;   // view scale; a rhombus side is qscale * (2 * side - 2)
  double qsep;     // enlargement of every tile about its centre
};

// Puts built tiles into the view: scaled about the origin by
// qscale * (2 * attractorSide - 2), moved to (qx, qy), enlarged by 1 + qsep;
// on up to `threads` threads.
void placeTiles(QuaziTiling* tiling, const QuaziSettings& settings,
                int attractorSide, unsigned threads = 1);

// Whether tile t leaves a mark on a width x height canvas. It does not when
// its corners do not fit (QuaziTiling::tileFits), when it is flat, or when
// it lies wholly outside; such tiles cost no drawing.
bool tileIsPainted(const QuaziTiling& tiling, std::size_t t, int width,
                   int height);

// Paints the whole attractor picture, warped onto each tile, into `canvas`
// in tile order, later tiles over earlier ones. The picture's upper-left,
// upper-right and lower-left corners go to tile corners 0, 1 and 2. Only
// tiles for which tileIsPainted holds are drawn. Tiles apart from each
// other are drawn on up to `threads` threads at once; every pixel is as
// one thread draws it.
void paintTiles(const QuaziTiling& tiling, const Bitmap& attractor,
                Bitmap* canvas, unsigned threads = 1);

// The tiling of `settings` from the given spacing draws (one per family:
// qline of them), built and placed for an attractor picture of side
// `attractorSide` on up to `threads` threads; nullopt with the reason in
// `error` when the settings make no picture.
std::optional<QuaziTiling> placedTiling(const QuaziSettings& settings,
                                        const std::vector<double>& spacingUnits,
                                        int attractorSide, unsigned threads,
                                        std::string& error);

// Paints the quazi-crystal picture of `attractor` on a new qsize x qsize
// canvas, from the tiling whose families have the given spacing draws (one
// per family: qline of them), on up to `threads` threads; the picture is
// the same for any number. Returns nullptr with the reason in `error` when
// no picture can be made.
std::unique_ptr<Bitmap> paintQuaziImage(const Bitmap& attractor,
                                        const QuaziSettings& settings,
                                        const std::vector<double>& spacingUnits,
                                        std::string& error,
                                        unsigned threads = 1);

}  // namespace marl

#endif  // MARL_QUAZI_QUAZI_IMAGE_H_
