#ifndef MARL_QUAZI_TILE_BRUSH_H_
#define MARL_QUAZI_TILE_BRUSH_H_

#include <cstddef>
#include <vector>

#include <cairo.h>

#include "quazi/quazi_tiling.h"
#include "quazi/bitmap.h"
#include "quazi/cairo_handles.h"

namespace marl {

// Whole pixels cannot hold the tiles' corners exactly: truncating three
// corners and completing the fourth from them leaves slits of up to about two
// pixels between neighbours, which the enlargement alone does not close
// for thin tiles. Every tile is therefore filled this many pixels beyond its
// edges, with the picture's border colours (the pattern is padded), so no
// transparent seam shows; later tiles still cover earlier ones.
constexpr double SlitCover = 1.5;

// The drawn outline of tile t: corners 0, 1, 3 and 2 in that order, round
// the tile, the fourth completing the parallelogram of the other three.
// False when the tile leaves no mark on a width x height canvas: its
// corners do not fit, it is flat, or it lies wholly outside.
bool drawnOutline(const QuaziTiling& tiling, std::size_t t, double width,
                  double height, double* xs, double* ys);

// A tile to draw: its outline and the pixels its fill may touch, the
// outline's box grown by the slit cover and a pixel of antialiasing,
// within the canvas.
struct PaintedTile {
  double xs[4];
  double ys[4];
  int left, top, right, bottom;  // [left, right) x [top, bottom)
};

// The tiles drawn on a width x height canvas, in tile order; they are
// picked on up to `threads` threads.
std::vector<PaintedTile> tilesToPaint(const QuaziTiling& tiling, int width,
                                      int height, unsigned threads);

// The picture the tiles show: the attractor picture, box-filtered down to
// about the tiles' side when they are much smaller (point-sampling a picture
// many times larger than the tile would alias). No surface when there is no
// picture or no tile.
struct TileSource {
  CairoSurface surface;
  int side = 0;
};
TileSource tileSourceFor(const QuaziTiling& tiling, const Bitmap& attractor);

// One thread's means of drawing tiles onto `target` from the source's
// pixels: Cairo objects of its own, so that threads share no Cairo object.
// Canvas point (x, y) lands on target pixel (x - left, y - top).
class TileBrush {
 public:
  TileBrush(cairo_surface_t* target, const TileSource& source, int left = 0,
            int top = 0);
  // Draws the source warped onto the tile, over what is there.
  void paint(const PaintedTile& tile);

 private:
  CairoSurface picture_;
  CairoContext cr_;
  CairoPattern pattern_;
  int sourceSide_;
};

}  // namespace marl

#endif  // MARL_QUAZI_TILE_BRUSH_H_
