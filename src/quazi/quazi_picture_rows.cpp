#include "quazi/quazi_picture_rows.h"

#include <algorithm>
#include <system_error>

#include "image/bitmap_rows.h"

namespace marl {

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
  if (rows->order_) rows->startPainting(threads);
  if (keepAlpha) {
    if (rows->order_) rows->paint(*rows->brush_, rows->shape_.height);
    rows->shape_.alpha = BitmapRows(rows->canvas_, true).shape().alpha;
  }
  return rows;
}

void QuaziPictureRows::startPainting(unsigned threads) {
  // Every thread draws through Cairo objects of its own, over the shared
  // pixels, made here on one thread.
  const unsigned painters = std::max(threads, 1u);
  for (unsigned i = 0; i < painters; ++i)
    targets_.push_back(surfaceOverPixelsOf(canvas_.surface()));
  brush_.emplace(targets_[0].get(), source_);
  for (unsigned i = 1; i < painters; ++i) {
    try {
      helpers_.emplace_back([this, i] {
        TileBrush brush(targets_[i].get(), source_);
        paint(brush, shape_.height + 1);
        cairo_surface_flush(targets_[i].get());
      });
    } catch (const std::system_error&) {
      break;  // the reader's thread paints what the others do not
    }
  }
}

QuaziPictureRows::QuaziPictureRows(const QuaziTiling& tiling,
                                   const Bitmap& attractor, int side,
                                   unsigned threads)
    : canvas_(side, side),
      source_(canvas_.ok() ? tileSourceFor(tiling, attractor) : TileSource{}),
      tiles_(source_.surface ? tilesToPaint(tiling, side, side, threads)
                             : std::vector<PaintedTile>()) {
  shape_.width = side;
  shape_.height = side;
  if (!tiles_.empty()) order_.emplace(tiles_, side, side);
  cairo_surface_flush(canvas_.surface());
}

QuaziPictureRows::~QuaziPictureRows() {
  if (order_) order_->stop();
  for (std::thread& helper : helpers_) helper.join();
}

void QuaziPictureRows::paint(TileBrush& brush, int rows) {
  for (std::size_t t; (t = order_->nextUntilRows(rows)) != TileOrder::None;) {
    brush.paint(tiles_[t]);
    order_->done(t);
  }
}

void QuaziPictureRows::readRows(int first, int count, unsigned char* out) {
  if (order_) paint(*brush_, first + count);
  // No tile left touches these rows: nobody writes them any more.
  for (int y = first; y < first + count; ++y, out += shape_.rowBytes())
    unpremultipliedRow(canvas_.row(y), shape_.width, shape_.alpha, out);
}

}  // namespace marl
