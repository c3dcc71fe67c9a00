#include "quazi/quazi_bands.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <new>

#include "base/worker_pool.h"
#include "quazi/tile_brush.h"
#include "quazi/cairo_handles.h"

namespace marl {

namespace {

// The bands of a picture painted each on their own, on several threads, and
// handed on in order.
class BandPainter {
 public:
  BandPainter(const QuaziTiling& tiling, const Bitmap& attractor, int side,
              const BandLayout& layout, unsigned threads)
      : source_(tileSourceFor(tiling, attractor)),
        tiles_(source_.surface ? tilesToPaint(tiling, side, side, threads)
                               : std::vector<PaintedTile>()),
        side_(side),
        layout_(layout),
        bandCount_((side + layout.rows - 1) / layout.rows),
        tilesOf_(std::size_t(bandCount_)) {
    // Each band's tiles, in tile order.
    for (std::size_t t = 0; t < tiles_.size(); ++t) {
      const PaintedTile& tile = tiles_[t];
      for (int b = tile.top / layout.rows;
           b < bandCount_ && b * layout.rows < tile.bottom; ++b)
        tilesOf_[std::size_t(b)].push_back(t);
    }
  }

  // Paints and hands on every band; false when `take` stopped it or a
  // band found no memory (then outOfMemory() says so).
  bool run(unsigned threads, const BandConsumer& take) {
    runOnThreads(std::max(threads, 1u), [&] { work(take); });
    return !stopped_;
  }
  bool outOfMemory() const { return outOfMemory_; }

 private:
  void work(const BandConsumer& take) {
    std::vector<uint32_t> pixels;
    for (int b; (b = nextBand_.fetch_add(1)) < bandCount_;) {
      const int top = b * layout_.rows;
      const int rows = std::min(layout_.rows, side_ - top);
      bool painted = true;
      try {
        pixels.assign(std::size_t(side_) * rows, 0u);
      } catch (const std::bad_alloc&) {
        painted = false;
      }
      if (painted) paintBand(b, top, rows, pixels.data());
      std::unique_lock<std::mutex> lock(mutex_);
      // Bands go on in order: every band is taken by one thread, and each
      // waits for the one before it to be handed on (or given up).
      turn_.wait(lock, [&] { return handedOn_ == b; });
      if (!painted && !stopped_) stopped_ = outOfMemory_ = true;
      if (!stopped_) {
        lock.unlock();
        const bool more = take(PixelBand{top, rows, side_, pixels.data(),
                                         std::size_t(side_)});
        lock.lock();
        if (!more) stopped_ = true;
      }
      ++handedOn_;
      turn_.notify_all();
      if (stopped_) nextBand_ = bandCount_;
    }
  }

  // Band b into `pixels` (side_ x rows), piece by piece of at most
  // surfaceSide columns, each its own surface over its part of the rows.
  void paintBand(int b, int top, int rows, uint32_t* pixels) {
    if (tilesOf_[std::size_t(b)].empty()) return;
    for (int left = 0; left < side_; left += layout_.surfaceSide) {
      const int width = std::min(layout_.surfaceSide, side_ - left);
      const CairoSurface piece(cairo_image_surface_create_for_data(
          reinterpret_cast<unsigned char*>(pixels + left), CAIRO_FORMAT_ARGB32,
          width, rows, side_ * int(sizeof(uint32_t))));
      TileBrush brush(piece.get(), source_, left, top);
      for (std::size_t t : tilesOf_[std::size_t(b)]) {
        const PaintedTile& tile = tiles_[t];
        if (tile.right > left && tile.left < left + width) brush.paint(tile);
      }
      cairo_surface_flush(piece.get());
    }
  }

  const TileSource source_;
  const std::vector<PaintedTile> tiles_;
  const int side_;
  const BandLayout layout_;
  const int bandCount_;
  std::vector<std::vector<std::size_t>> tilesOf_;
  std::atomic<int> nextBand_{0};
  std::mutex mutex_;
  std::condition_variable turn_;
  int handedOn_ = 0;
  bool stopped_ = false;
  bool outOfMemory_ = false;
};

}  // namespace

bool paintPlacedBands(const QuaziTiling& tiling, const Bitmap& attractor,
                      int side, unsigned threads, const BandConsumer& take,
                      std::string& error, const BandLayout& layout) {
  BandLayout cut = layout;
  cut.rows = std::max(layout.rows, 1);
  BandPainter painter(tiling, attractor, side, cut, threads);
  if (painter.run(threads, take) || !painter.outOfMemory()) return true;
  error = "out of memory for a band of the tiling picture; give a smaller "
          "qsize";
  return false;
}

}  // namespace marl
