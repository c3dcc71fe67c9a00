#include "quazi/quazi_image.h"

#include <algorithm>

#include <cairo.h>

#include "base/worker_pool.h"
#include "quazi/tile_brush.h"
#include "quazi/tile_order.h"
#include "quazi/cairo_handles.h"

namespace marl {

namespace {

constexpr double BaseSpacing = 50.0;
constexpr uint32_t LinesPerFamily = 21;

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
  const TileSource source = tileSourceFor(tiling, attractor);
  const std::vector<PaintedTile> tiles =
      tilesToPaint(tiling, canvas->width(), canvas->height(), threads);
  TileOrder order(tiles, canvas->width(), canvas->height());
  cairo_surface_flush(canvas->surface());
  runOnThreads(std::max(threads, 1u), [&] {
    // Each thread draws through Cairo objects of its own, over the shared
    // pixels; tiles that touch the same pixels are drawn one after another
    // in tile order, so every pixel is computed as with one thread.
    const CairoSurface target = surfaceOverPixelsOf(canvas->surface());
    TileBrush brush(target.get(), source);
    for (std::size_t t; (t = order.next()) != TileOrder::None;) {
      brush.paint(tiles[t]);
      order.done(t);
    }
    cairo_surface_flush(target.get());
  });
  cairo_surface_mark_dirty(canvas->surface());
}

std::optional<QuaziTiling> placedTiling(const QuaziSettings& settings,
                                        const std::vector<double>& spacingUnits,
                                        int attractorSide, unsigned threads,
                                        std::string& error) {
  if (settings.qline < 5 || settings.qline > 42 ||
      spacingUnits.size() != std::size_t(settings.qline)) {
    error = "qline " + std::to_string(settings.qline) +
            " is not a family count; give qline=N with N from 5 to 42";
    return std::nullopt;
  }
  if (settings.qsize <= 0) {
    error = "qsize " + std::to_string(settings.qsize) +
            " is not a picture side; give qsize=N with N of at least 1";
    return std::nullopt;
  }
  std::optional<QuaziTiling> tiling(
      std::in_place, BaseSpacing, spacingUnits, LinesPerFamily);
  // Only the tiles that can show on the picture are worked out: at 42
  // families and the smallest view scale, fewer than 1 in 400.
  TileWindow window;
  window.scale = settings.qscale * static_cast<double>(
                                       2 * static_cast<int64_t>(attractorSide) - 2);
  window.shiftX = static_cast<double>(settings.qx);
  window.shiftY = static_cast<double>(settings.qy);
  window.separation = settings.qsep;
  window.width = window.height = static_cast<double>(settings.qsize);
  tiling->buildTiles(threads, &window);
  placeTiles(&*tiling, settings, attractorSide, threads);
  return tiling;
}

std::unique_ptr<Bitmap> paintQuaziImage(const Bitmap& attractor,
                                        const QuaziSettings& settings,
                                        const std::vector<double>& spacingUnits,
                                        std::string& error, unsigned threads) {
  std::optional<QuaziTiling> tiling = placedTiling(
      settings, spacingUnits, attractor.width(), threads, error);
  if (!tiling) return nullptr;
  auto canvas = std::make_unique<Bitmap>(settings.qsize, settings.qsize);
  if (!canvas->ok()) {
    error = "cannot make a quazi picture of qsize " +
            std::to_string(settings.qsize) + " x " +
            std::to_string(settings.qsize) + " pixels; give a smaller qsize";
    return nullptr;
  }
  paintTiles(*tiling, attractor, canvas.get(), threads);
  return canvas;
}

}  // namespace marl
