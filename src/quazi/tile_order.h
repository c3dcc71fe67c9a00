#ifndef MARL_QUAZI_TILE_ORDER_H_
#define MARL_QUAZI_TILE_ORDER_H_

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <queue>
#include <vector>

#include "quazi/tile_brush.h"

namespace marl {

// Hands out tiles to threads so that two tiles that may touch the same
// pixel are drawn in tile order, never at once: a tile waits for the last
// earlier tile on each block of BlockSide x BlockSide pixels it touches.
// Of the tiles ready, the earliest goes first.
class TileOrder {
 public:
  static constexpr std::size_t None = SIZE_MAX;
  static constexpr int BlockSide = 32;

  TileOrder(const std::vector<PaintedTile>& tiles, int width, int height);

  // The next tile to draw, waiting until one is ready; None when all are
  // drawn or handed out.
  std::size_t next();
  // Tile t is drawn: the tiles waiting for it may go.
  void done(std::size_t t);

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

}  // namespace marl

#endif  // MARL_QUAZI_TILE_ORDER_H_
