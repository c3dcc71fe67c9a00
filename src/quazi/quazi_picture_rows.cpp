#include "quazi/quazi_picture_rows.h"

#include <algorithm>
#include <system_error>

#include "quazi/bitmap_rows.h"
#include "quazi/cairo_handles.h"
#include "quazi/tile_brush.h"
#include "quazi/tile_order.h"

namespace marl {

struct QuaziPictureRows::Painting {
  TileSource source;
  std::vector<PaintedTile> tiles;
  std::optional<TileOrder> order;
  std::vector<CairoSurface> targets;  // one a painting thread
  std::optional<TileBrush> brush;     // the reader's
};

std::unique_ptr<QuaziPictureRows> QuaziPictureRows::start(
    const Bitmap& attractor, const QuaziSettings& settings,
    const std::vector<double>& spacingUnits, unsigned threads, bool keepAlpha,
    std::string& error) {
  std::optional<QuaziTiling> tiling = placedTiling(
      settings, spacingUnits, attractor.width(), threads, error);
  if (!tiling) return nullptr;
  std::unique_ptr<QuaziPictureRows> rows(
      new QuaziPictureRows(*tiling, attractor, settings.qsize, threads));
  if (!rows->canvas_.ok()) {
    error = "cannot make a quazi picture of qsize " +
            std::to_string(settings.qsize) + " x " +
            std::to_string(settings.qsize) + " pixels; give a smaller qsize";
    return nullptr;
  }
  if (rows->painting_->order) rows->startPainting(threads);
  if (keepAlpha) {
    if (rows->painting_->order)
      rows->paint(*rows->painting_->brush, rows->shape_.height);
    rows->shape_.alpha = BitmapRows(rows->canvas_, true).shape().alpha;
  }
  return rows;
}

void QuaziPictureRows::startPainting(unsigned threads) {
  // Every thread draws through Cairo objects of its own, over the shared
  // pixels, made here on one thread.
  const unsigned painters = std::max(threads, 1u);
  for (unsigned i = 0; i < painters; ++i)
    painting_->targets.push_back(surfaceOverPixelsOf(canvas_.surface()));
  painting_->brush.emplace(painting_->targets[0].get(), painting_->source);
  for (unsigned i = 1; i < painters; ++i) {
    try {
      helpers_.emplace_back([this, i] {
        TileBrush brush(painting_->targets[i].get(), painting_->source);
        paint(brush, shape_.height + 1);
        cairo_surface_flush(painting_->targets[i].get());
      });
    } catch (const std::system_error&) {
      break;  // the reader's thread paints what the others do not
    }
  }
}

QuaziPictureRows::QuaziPictureRows(const QuaziTiling& tiling,
                                   const Bitmap& attractor, int side,
                                   unsigned threads)
    : canvas_(side, side), painting_(std::make_unique<Painting>()) {
  Painting& p = *painting_;
  if (canvas_.ok()) p.source = tileSourceFor(tiling, attractor);
  if (p.source.surface) p.tiles = tilesToPaint(tiling, side, side, threads);
  shape_.width = side;
  shape_.height = side;
  if (!p.tiles.empty()) p.order.emplace(p.tiles, side, side);
  cairo_surface_flush(canvas_.surface());
}

QuaziPictureRows::~QuaziPictureRows() {
  if (painting_->order) painting_->order->stop();
  for (std::thread& helper : helpers_) helper.join();
}

void QuaziPictureRows::paint(TileBrush& brush, int rows) {
  TileOrder& order = *painting_->order;
  for (std::size_t t; (t = order.nextUntilRows(rows)) != TileOrder::None;) {
    brush.paint(painting_->tiles[t]);
    order.done(t);
  }
}

void QuaziPictureRows::readRows(int first, int count, unsigned char* out) {
  if (painting_->order) paint(*painting_->brush, first + count);
  // No tile left touches these rows: nobody writes them any more.
  for (int y = first; y < first + count; ++y, out += shape_.rowBytes())
    unpremultipliedRow(canvas_.row(y), shape_.width, shape_.alpha, out);
}

}  // namespace marl
