#include "quazi/quazi_image.h"

#include <algorithm>
#include <cmath>

#include <cairo.h>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <queue>
#include <utility>

#include "base/worker_pool.h"
#include "render/cairo_owned.h"

namespace marl {

namespace {

constexpr double BaseSpacing = 50.0;
constexpr uint32_t LinesPerFamily = 21;

// Cairo's box filter stops widening beyond a 16-fold reduction, so larger
// reductions take several passes.
constexpr double MaxShrinkPerPass = 16.0;
// Below a reduction of 4/3 bilinear sampling of the full picture loses
// nothing worth a second resampling.
constexpr double ShrinkThreshold = 0.75;

// A copy of the square `picture` (side `from`) box-filtered down to side
// `to`, or nullptr when Cairo cannot make it.
OwnedSurface shrinkPicture(cairo_surface_t* picture, int from, int to) {
  OwnedSurface current(cairo_surface_reference(picture));
  int currentSide = from;
  while (currentSide > to) {
    int next = to;
    if (currentSide > to * MaxShrinkPerPass) {
      next = static_cast<int>(std::ceil(currentSide / MaxShrinkPerPass));
    }
    OwnedSurface smaller(
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, next, next));
    if (cairo_surface_status(smaller.get()) != CAIRO_STATUS_SUCCESS)
      return nullptr;
    const OwnedContext cr(cairo_create(smaller.get()));
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

// A tile to draw: its outline and the pixels its fill may touch, the
// outline's box grown by the slit cover and a pixel of antialiasing,
// within the canvas.
struct PaintedTile {
  double xs[4];
  double ys[4];
  int left, top, right, bottom;  // [left, right) x [top, bottom)
};

int clampTo(double v, int high) {
  return static_cast<int>(std::min(std::max(v, 0.0), double(high)));
}

// The tiles drawn on a width x height canvas, in tile order; they are
// picked on up to `threads` threads.
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

// Draws one tile: the picture (side `sourceSide`) warped onto its outline.
void paintTile(cairo_t* cr, cairo_pattern_t* pattern, const PaintedTile& tile,
               int sourceSide) {
  const double* xs = tile.xs;
  const double* ys = tile.ys;
  // Picture space to canvas: (0, 0) to corner 0, (side, 0) to corner 1,
  // (0, side) to corner 2, which is the outline's last point.
  cairo_matrix_t matrix;
  cairo_matrix_init(&matrix, (xs[1] - xs[0]) / sourceSide,
                    (ys[1] - ys[0]) / sourceSide, (xs[3] - xs[0]) / sourceSide,
                    (ys[3] - ys[0]) / sourceSide, xs[0], ys[0]);
  if (cairo_matrix_invert(&matrix) != CAIRO_STATUS_SUCCESS) return;
  cairo_pattern_set_matrix(pattern, &matrix);
  cairo_set_source(cr, pattern);
  appendGrownOutline(cr, xs, ys, SlitCover);
  cairo_fill(cr);
}

// Hands out tiles to threads so that two tiles that may touch the same
// pixel are drawn in tile order, never at once: a tile waits for the last
// earlier tile on each block of BlockSide x BlockSide pixels it touches.
// Of the tiles ready, the earliest goes first.
class TileOrder {
 public:
  static constexpr std::size_t None = SIZE_MAX;
  static constexpr int BlockSide = 32;

  TileOrder(const std::vector<PaintedTile>& tiles, int width, int height)
      : after_(tiles.size()), waitsFor_(tiles.size(), 0) {
    const int columns = (width + BlockSide - 1) / BlockSide;
    const int rows = (height + BlockSide - 1) / BlockSide;
    std::vector<std::size_t> lastOn(std::size_t(columns) * rows, None);
    std::vector<std::size_t> seenBy(tiles.size(), None);
    for (std::size_t t = 0; t < tiles.size(); ++t) {
      const PaintedTile& tile = tiles[t];
      for (int r = tile.top / BlockSide; r * BlockSide < tile.bottom; ++r) {
        for (int c = tile.left / BlockSide; c * BlockSide < tile.right; ++c) {
          std::size_t& last = lastOn[std::size_t(r) * columns + c];
          if (last != None && seenBy[last] != t) {
            seenBy[last] = t;
            after_[last].push_back(t);
            ++waitsFor_[t];
          }
          last = t;
        }
      }
    }
    for (std::size_t t = 0; t < tiles.size(); ++t)
      if (waitsFor_[t] == 0) ready_.push(t);
  }

  // The next tile to draw, waiting until one is ready; None when all are
  // drawn or handed out.
  std::size_t next() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return !ready_.empty() || handedOut_ == after_.size(); });
    if (ready_.empty()) return None;
    const std::size_t t = ready_.top();
    ready_.pop();
    ++handedOut_;
    return t;
  }

  void done(std::size_t t) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (std::size_t later : after_[t])
      if (--waitsFor_[later] == 0) ready_.push(later);
    changed_.notify_all();
  }

 private:
  std::vector<std::vector<std::size_t>> after_;  // tiles waiting for each
  std::vector<uint32_t> waitsFor_;
  std::priority_queue<std::size_t, std::vector<std::size_t>,
                      std::greater<std::size_t>>
      ready_;
  std::size_t handedOut_ = 0;
  std::mutex mutex_;
  std::condition_variable changed_;
};

}  // namespace

bool tileIsPainted(const QuaziTiling& tiling, std::size_t t, int width,
                   int height) {
  double xs[4];
  double ys[4];
  return drawnOutline(tiling, t, width, height, xs, ys);
}

void placeTiles(QuaziTiling* tiling, const QuaziSettings& settings,
                int attractorSide, unsigned threads) {
  tiling->setShift(static_cast<double>(settings.qx),
                   static_cast<double>(settings.qy));
  tiling->setViewScale(settings.qscale);
  tiling->setSeparation(settings.qsep);
  // 2 * side - 2 in integer arithmetic; 64 bits so no side can overflow it.
  const int64_t factor = 2 * static_cast<int64_t>(attractorSide) - 2;
  tiling->scaleAndTranslateTiles(static_cast<double>(factor), threads);
}

void paintTiles(const QuaziTiling& tiling, const Bitmap& attractor,
                Bitmap* canvas, unsigned threads) {
  if (!attractor.ok() || !canvas->ok() || tiling.tileCount() == 0) return;
  const int size = attractor.width();

  // Every rhombus has unit sides, so the first tells the drawn side of all.
  // Point-sampling a picture many times larger than the tile would alias, so
  // the picture is box-filtered down once to about the tile's side and all
  // tiles are drawn from that copy.
  const TileQuad& first = tiling.tiles()[0];
  const double tileSide =
      std::hypot(first.cornerX[1] - first.cornerX[0],
                 first.cornerY[1] - first.cornerY[0]) *
      (tiling.separation() + 1.0);
  OwnedSurface source(cairo_surface_reference(attractor.surface()));
  int sourceSide = size;
  if (std::isfinite(tileSide) && tileSide >= 1.0 &&
      tileSide < ShrinkThreshold * size) {
    const int side = static_cast<int>(std::ceil(tileSide));
    if (OwnedSurface shrunk = shrinkPicture(source.get(), size, side)) {
      source = std::move(shrunk);
      sourceSide = side;
    }
  }

  const std::vector<PaintedTile> tiles =
      tilesToPaint(tiling, canvas->width(), canvas->height(), threads);
  TileOrder order(tiles, canvas->width(), canvas->height());
  cairo_surface_flush(canvas->surface());
  cairo_surface_flush(source.get());
  runOnThreads(std::max(threads, 1u), [&] {
    // Each thread draws through Cairo objects of its own, over the shared
    // pixels; tiles that touch the same pixels are drawn one after another
    // in tile order, so every pixel is computed as with one thread.
    const OwnedSurface target = surfaceOverPixelsOf(canvas->surface());
    const OwnedSurface picture = surfaceOverPixelsOf(source.get());
    const OwnedContext cr(cairo_create(target.get()));
    cairo_set_operator(cr.get(), CAIRO_OPERATOR_OVER);
    const OwnedPattern pattern(cairo_pattern_create_for_surface(picture.get()));
    // Padding: samples just outside the picture take its border colour, so
    // no seam of transparency shows along the tile edges.
    cairo_pattern_set_extend(pattern.get(), CAIRO_EXTEND_PAD);
    cairo_pattern_set_filter(pattern.get(), CAIRO_FILTER_BILINEAR);
    for (std::size_t t; (t = order.next()) != TileOrder::None;) {
      paintTile(cr.get(), pattern.get(), tiles[t], sourceSide);
      order.done(t);
    }
    cairo_surface_flush(target.get());
  });
  cairo_surface_mark_dirty(canvas->surface());
}

std::unique_ptr<Bitmap> paintQuaziImage(const Bitmap& attractor,
                                        const QuaziSettings& settings,
                                        const std::vector<double>& spacingUnits,
                                        std::string& error, unsigned threads) {
  if (settings.qline < 5 || settings.qline > 42 ||
      spacingUnits.size() != std::size_t(settings.qline)) {
    error = "qline " + std::to_string(settings.qline) +
            " is not a family count; give qline=N with N from 5 to 42";
    return nullptr;
  }
  if (settings.qsize <= 0) {
    error = "qsize " + std::to_string(settings.qsize) +
            " is not a picture side; give qsize=N with N of at least 1";
    return nullptr;
  }
  auto canvas = std::make_unique<Bitmap>(settings.qsize, settings.qsize);
  if (!canvas->ok()) {
    error = "cannot make a quazi picture of qsize " +
            std::to_string(settings.qsize) + " x " +
            std::to_string(settings.qsize) + " pixels; give a smaller qsize";
    return nullptr;
  }
  QuaziTiling tiling(BaseSpacing, spacingUnits, LinesPerFamily);
  tiling.buildTiles(threads);
  placeTiles(&tiling, settings, attractor.width(), threads);
  paintTiles(tiling, attractor, canvas.get(), threads);
  return canvas;
}

}  // namespace marl
