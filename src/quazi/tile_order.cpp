#include "quazi/tile_order.h"

#include <algorithm>

namespace marl {

TileOrder::TileOrder(const std::vector<PaintedTile>& tiles, int width,
                     int height)
    : height_(height),
      after_(tiles.size()),
      waitsFor_(tiles.size(), 0),
      top_(tiles.size()),
      byTop_(tiles.size()),
      drawn_(tiles.size(), false) {
  const int columns = (width + BlockSide - 1) / BlockSide;
  const int rows = (height + BlockSide - 1) / BlockSide;
  std::vector<std::size_t> lastOn(std::size_t(columns) * rows, None);
  std::vector<std::size_t> seenBy(tiles.size(), None);
  for (std::size_t t = 0; t < tiles.size(); ++t) {
    const PaintedTile& tile = tiles[t];
    top_[t] = tile.top;
    byTop_[t] = t;
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
  // Not stable_sort: its buffer, when memory is short, is quietly done
  // without; the index breaks ties instead.
  std::sort(byTop_.begin(), byTop_.end(), [&](std::size_t a, std::size_t b) {
    return top_[a] < top_[b] || (top_[a] == top_[b] && a < b);
  });
  // A tile is as urgent as the highest tile that waits for it, directly or
  // not: a low tile that a high one waits for goes early, or the top rows
  // would wait for it.
  urgency_ = top_;
  for (std::size_t t = tiles.size(); t-- > 0;)
    for (std::size_t later : after_[t])
      urgency_[t] = std::min(urgency_[t], urgency_[later]);
  // Room for every tile at once, so that done(), on a painting thread,
  // never allocates.
  std::vector<Ready> room;
  room.reserve(tiles.size());
  ready_ = decltype(ready_)(std::greater<Ready>(), std::move(room));
  for (std::size_t t = 0; t < tiles.size(); ++t)
    if (waitsFor_[t] == 0) ready_.push({urgency_[t], t});
  advanceFinished();
}

std::size_t TileOrder::next() { return nextUntilRows(height_ + 1); }

std::size_t TileOrder::nextUntilRows(int rows) {
  std::unique_lock<std::mutex> lock(mutex_);
  // With every tile handed out, next() is done; a wait for rows goes on
  // until the tiles still being drawn finish them.
  changed_.wait(lock, [&] {
    return !ready_.empty() || stopped_ || finished_ >= rows ||
           (handedOut_ == after_.size() && rows > height_);
  });
  if (ready_.empty() || stopped_ || finished_ >= rows) return None;
  const std::size_t t = ready_.top().second;
  ready_.pop();
  ++handedOut_;
  return t;
}

void TileOrder::done(std::size_t t) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (std::size_t later : after_[t])
    if (--waitsFor_[later] == 0) ready_.push({urgency_[later], later});
  drawn_[t] = true;
  advanceFinished();
  changed_.notify_all();
}

int TileOrder::finishedRows() {
  std::lock_guard<std::mutex> lock(mutex_);
  return finished_;
}

void TileOrder::stop() {
  std::lock_guard<std::mutex> lock(mutex_);
  stopped_ = true;
  changed_.notify_all();
}

void TileOrder::advanceFinished() {
  while (firstUndrawn_ < byTop_.size() && drawn_[byTop_[firstUndrawn_]])
    ++firstUndrawn_;
  finished_ = firstUndrawn_ < byTop_.size() ? top_[byTop_[firstUndrawn_]]
                                            : height_;
}

}  // namespace marl
