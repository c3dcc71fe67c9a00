#include "quazi/quazi_band_rows.h"

#include <algorithm>
#include <new>
#include <system_error>

#include "quazi/bitmap_rows.h"

namespace marl {

std::unique_ptr<QuaziBandRows> QuaziBandRows::start(
    const Bitmap& attractor, const QuaziSettings& settings,
    const std::vector<double>& spacingUnits, unsigned threads, bool alpha,
    std::string& error, const BandLayout& layout) {
  std::optional<QuaziTiling> tiling = placedTiling(
      settings, spacingUnits, attractor.width(), threads, error);
  if (!tiling) return nullptr;
  std::unique_ptr<QuaziBandRows> rows(new QuaziBandRows(
      std::move(*tiling), attractor, settings.qsize, alpha));
  // A band painted by each thread can wait while the encoder takes one.
  rows->queueLimit_ = std::max(threads, 1u) + 1;
  try {
    rows->painter_ = std::thread([r = rows.get(), threads, layout] {
      r->paint(threads, layout);
    });
  } catch (const std::system_error&) {
    error = "cannot start a thread to paint the tiling picture";
    return nullptr;
  }
  return rows;
}

QuaziBandRows::QuaziBandRows(QuaziTiling tiling, const Bitmap& attractor,
                             int side, bool alpha)
    : tiling_(std::move(tiling)), attractor_(attractor) {
  shape_.width = side;
  shape_.height = side;
  shape_.alpha = alpha;
}

QuaziBandRows::~QuaziBandRows() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closing_ = true;
  }
  changed_.notify_all();
  if (painter_.joinable()) painter_.join();
}

void QuaziBandRows::paint(unsigned threads, const BandLayout& layout) {
  std::string error;
  bool ok = false;
  // Nothing may leave the thread: the reader learns of a failure instead.
  try {
    ok = paintPlacedBands(
        tiling_, attractor_, shape_.width, threads,
        [this](const PixelBand& band) { return put(band); }, error, layout);
  } catch (const std::bad_alloc&) {
  }
  std::lock_guard<std::mutex> lock(mutex_);
  painted_ = true;
  failed_ = failed_ || !ok;
  changed_.notify_all();
}

bool QuaziBandRows::put(const PixelBand& band) {
  Band copy;
  try {
    copy.pixels.resize(std::size_t(band.width) * std::size_t(band.rows));
  } catch (const std::bad_alloc&) {
    std::lock_guard<std::mutex> lock(mutex_);
    failed_ = true;
    return false;
  }
  for (int r = 0; r < band.rows; ++r) {
    std::copy_n(band.pixels + std::size_t(r) * band.stride, band.width,
                copy.pixels.begin() + std::ptrdiff_t(r) * band.width);
  }
  copy.rows = band.rows;
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&] { return closing_ || queue_.size() < queueLimit_; });
  if (closing_) return false;
  // The deque's node is the only allocation left; a band that cannot be
  // queued ends the picture as one that could not be painted.
  try {
    queue_.push_back(std::move(copy));
  } catch (const std::bad_alloc&) {
    failed_ = true;
    return false;
  }
  changed_.notify_all();
  return true;
}

void QuaziBandRows::readRows(int first, int count, unsigned char* out) {
  (void)first;  // rows come in order: the front band holds the next one
  const std::size_t rowBytes = shape_.rowBytes();
  std::unique_lock<std::mutex> lock(mutex_);
  while (count > 0) {
    changed_.wait(lock, [&] { return !queue_.empty() || painted_ || failed_; });
    if (queue_.empty()) throw std::bad_alloc();
    Band& band = queue_.front();
    const int take = std::min(count, band.rows - rowInFront_);
    lock.unlock();
    for (int r = 0; r < take; ++r, out += rowBytes) {
      unpremultipliedRow(band.pixels.data() +
                     std::size_t(rowInFront_ + r) * std::size_t(shape_.width),
                 shape_.width, shape_.alpha, out);
    }
    lock.lock();
    rowInFront_ += take;
    count -= take;
    if (rowInFront_ == band.rows) {
      queue_.pop_front();
      rowInFront_ = 0;
      changed_.notify_all();
    }
  }
}

}  // namespace marl
