#include "quazi/tile_brush.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "base/worker_pool.h"

namespace marl {

namespace {

// Cairo's box filter stops widening beyond a 16-fold reduction, so larger
// reductions take several passes.
constexpr double MaxShrinkPerPass = 16.0;
// Below a reduction of 4/3 bilinear sampling of the full picture loses
// nothing worth a second resampling.
constexpr double ShrinkThreshold = 0.75;

// A copy of the square `picture` (side `from`) box-filtered down to side
// `to`, or nullptr when Cairo cannot make it.
CairoSurface shrinkPicture(cairo_surface_t* picture, int from, int to) {
  CairoSurface current(cairo_surface_reference(picture));
  int currentSide = from;
  while (currentSide > to) {
    int next = to;
    if (currentSide > to * MaxShrinkPerPass) {
      next = static_cast<int>(std::ceil(currentSide / MaxShrinkPerPass));
    }
    CairoSurface smaller(
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, next, next));
    if (cairo_surface_status(smaller.get()) != CAIRO_STATUS_SUCCESS)
      return nullptr;
    const CairoContext cr(cairo_create(smaller.get()));
    const double factor = static_cast<double>(next) / currentSide;
    cairo_scale(cr.get(), factor, factor);
    cairo_set_source_surface(cr.get(), current.get(), 0.0, 0.0);
    cairo_pattern_t* source = cairo_get_source(cr.get());
    // Padding keeps the border pixels from fading into transparency.
    cairo_pattern_set_extend(source, CAIRO_EXTEND_PAD);
    cairo_pattern_set_filter(source, CAIRO_FILTER_GOOD);
    cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr.get());
    current = std::move(smaller);
    currentSide = next;
  }
  return current;
}

// Adds to the path the parallelogram (xs, ys), each edge moved outward by
// `grow`, with bevelled corners: a mitred corner of a thin tile would reach
// far beyond the tile.
void appendGrownOutline(cairo_t* cr, const double* xs, const double* ys,
                        double grow) {
  const double cross = (xs[1] - xs[0]) * (ys[3] - ys[0]) -
                       (ys[1] - ys[0]) * (xs[3] - xs[0]);
  const double outward = cross > 0.0 ? grow : -grow;
  double normalX[4];
  double normalY[4];
  for (int k = 0; k < 4; ++k) {
    const double ex = xs[(k + 1) % 4] - xs[k];
    const double ey = ys[(k + 1) % 4] - ys[k];
    const double length = std::hypot(ex, ey);
    normalX[k] = outward * ey / length;
    normalY[k] = -outward * ex / length;
  }
  for (int k = 0; k < 4; ++k) {
    const int before = (k + 3) % 4;
    if (k == 0) {
      cairo_move_to(cr, xs[k] + normalX[before], ys[k] + normalY[before]);
    } else {
      cairo_line_to(cr, xs[k] + normalX[before], ys[k] + normalY[before]);
    }
    cairo_line_to(cr, xs[k] + normalX[k], ys[k] + normalY[k]);
  }
  cairo_close_path(cr);
}

int clampTo(double v, int high) {
  return static_cast<int>(std::min(std::max(v, 0.0), double(high)));
}

}  // namespace

bool drawnOutline(const QuaziTiling& tiling, std::size_t t, double width,
                  double height, double* xs, double* ys) {
  if (!tiling.tileFits(t)) return false;
  const PixelPoint p0 = tiling.tileCorner(t, 0);
  const PixelPoint p1 = tiling.tileCorner(t, 1);
  const PixelPoint p2 = tiling.tileCorner(t, 2);
  xs[0] = p0.x;
  ys[0] = p0.y;
  xs[1] = p1.x;
  ys[1] = p1.y;
  xs[3] = p2.x;
  ys[3] = p2.y;
  xs[2] = xs[1] + xs[3] - xs[0];
  ys[2] = ys[1] + ys[3] - ys[0];
  const double cross = (xs[1] - xs[0]) * (ys[3] - ys[0]) -
                       (ys[1] - ys[0]) * (xs[3] - xs[0]);
  if (cross == 0.0) return false;
  return std::max({xs[0], xs[1], xs[2], xs[3]}) + SlitCover > 0.0 &&
         std::min({xs[0], xs[1], xs[2], xs[3]}) - SlitCover < width &&
         std::max({ys[0], ys[1], ys[2], ys[3]}) + SlitCover > 0.0 &&
         std::min({ys[0], ys[1], ys[2], ys[3]}) - SlitCover < height;
}

std::vector<PaintedTile> tilesToPaint(const QuaziTiling& tiling, int width,
                                      int height, unsigned threads) {
  constexpr std::size_t Chunk = 8192;
  const std::size_t count = static_cast<std::size_t>(tiling.tileCount());
  std::vector<std::vector<PaintedTile>> chunks((count + Chunk - 1) / Chunk);
  forEachChunk(count, Chunk, threads, [&](std::size_t begin, std::size_t end) {
    std::vector<PaintedTile>& picked = chunks[begin / Chunk];
    for (std::size_t t = begin; t < end; ++t) {
      PaintedTile tile;
      if (!drawnOutline(tiling, t, width, height, tile.xs, tile.ys)) continue;
      const double reach = SlitCover + 2.0;
      const auto [minX, maxX] =
          std::minmax({tile.xs[0], tile.xs[1], tile.xs[2], tile.xs[3]});
      const auto [minY, maxY] =
          std::minmax({tile.ys[0], tile.ys[1], tile.ys[2], tile.ys[3]});
      tile.left = clampTo(std::floor(minX - reach), width);
      tile.right = clampTo(std::ceil(maxX + reach), width);
      tile.top = clampTo(std::floor(minY - reach), height);
      tile.bottom = clampTo(std::ceil(maxY + reach), height);
      picked.push_back(tile);
    }
  });
  std::vector<PaintedTile> tiles;
  for (const std::vector<PaintedTile>& picked : chunks)
    tiles.insert(tiles.end(), picked.begin(), picked.end());
  return tiles;
}

TileSource tileSourceFor(const QuaziTiling& tiling, const Bitmap& attractor) {
  if (!attractor.ok() || tiling.tileCount() == 0) return TileSource{};
  const int size = attractor.width();
  // Every rhombus has unit sides, so the first tells the drawn side of all.
  const TileQuad& first = tiling.tiles()[0];
  const double tileSide =
      std::hypot(first.cornerX[1] - first.cornerX[0],
                 first.cornerY[1] - first.cornerY[0]) *
      (tiling.separation() + 1.0);
  TileSource source{CairoSurface(cairo_surface_reference(attractor.surface())),
                    size};
  if (std::isfinite(tileSide) && tileSide >= 1.0 &&
      tileSide < ShrinkThreshold * size) {
    const int side = static_cast<int>(std::ceil(tileSide));
    if (CairoSurface shrunk = shrinkPicture(source.surface.get(), size, side)) {
      source = TileSource{std::move(shrunk), side};
    }
  }
  cairo_surface_flush(source.surface.get());
  return source;
}

TileBrush::TileBrush(cairo_surface_t* target, const TileSource& source,
                     int left, int top)
    : picture_(surfaceOverPixelsOf(source.surface.get())),
      cr_(cairo_create(target)),
      pattern_(cairo_pattern_create_for_surface(picture_.get())),
      sourceSide_(source.side) {
  if (left != 0 || top != 0) cairo_translate(cr_.get(), -left, -top);
  cairo_set_operator(cr_.get(), CAIRO_OPERATOR_OVER);
  // Padding: samples just outside the picture take its border colour, so
  // no seam of transparency shows along the tile edges.
  cairo_pattern_set_extend(pattern_.get(), CAIRO_EXTEND_PAD);
  cairo_pattern_set_filter(pattern_.get(), CAIRO_FILTER_BILINEAR);
}

void TileBrush::paint(const PaintedTile& tile) {
  cairo_t* cr = cr_.get();
  const double* xs = tile.xs;
  const double* ys = tile.ys;
  const int side = sourceSide_;
  // Picture space to canvas: (0, 0) to corner 0, (side, 0) to corner 1,
  // (0, side) to corner 2, which is the outline's last point.
  cairo_matrix_t matrix;
  cairo_matrix_init(&matrix, (xs[1] - xs[0]) / side, (ys[1] - ys[0]) / side,
                    (xs[3] - xs[0]) / side, (ys[3] - ys[0]) / side, xs[0],
                    ys[0]);
  if (cairo_matrix_invert(&matrix) != CAIRO_STATUS_SUCCESS) return;
  cairo_pattern_set_matrix(pattern_.get(), &matrix);
  cairo_set_source(cr, pattern_.get());
  appendGrownOutline(cr, xs, ys, SlitCover);
  cairo_fill(cr);
}

}  // namespace marl
