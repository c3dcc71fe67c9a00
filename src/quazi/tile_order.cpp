#include "quazi/tile_order.h"

namespace marl {

TileOrder::TileOrder(const std::vector<PaintedTile>& tiles, int width,
                     int height)
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

std::size_t TileOrder::next() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&] {
    return !ready_.empty() || handedOut_ == after_.size();
  });
  if (ready_.empty()) return None;
  const std::size_t t = ready_.top();
  ready_.pop();
  ++handedOut_;
  return t;
}

void TileOrder::done(std::size_t t) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (std::size_t later : after_[t])
    if (--waitsFor_[later] == 0) ready_.push(later);
  changed_.notify_all();
}

}  // namespace marl
