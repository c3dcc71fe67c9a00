#ifndef MARL_QUAZI_TILE_ORDER_H_
#define MARL_QUAZI_TILE_ORDER_H_

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <queue>
#include <utility>
#include <vector>

#include "quazi/tile_brush.h"

namespace marl {

// Hands out tiles to threads so that two tiles that may touch the same
// pixel are drawn in tile order, never at once: a tile waits for the last
// earlier tile on each block of BlockSide x BlockSide pixels it touches.
// Of the tiles ready, the one that the highest rows of the canvas wait for
// goes first (the earliest of those alike), so that the picture is
// finished from the top down and its top rows can be taken while the rest
// is drawn.
class TileOrder {
 public:
  static constexpr std::size_t None = SIZE_MAX;
  static constexpr int BlockSide = 32;

  TileOrder(const std::vector<PaintedTile>& tiles, int width, int height);

  // The next tile to draw, waiting until one is ready; None when all are
  // drawn or handed out.
  std::size_t next();
  // The next tile to draw, waiting until one is ready, unless the rows
  // above `rows` are finished first: then None, as after stop().
  std::size_t nextUntilRows(int rows);
  // Tile t is drawn: the tiles waiting for it may go.
  void done(std::size_t t);
  // Rows above this one are finished: no tile still to draw touches them.
  int finishedRows();
  // Hands out no more tiles: next() returns None from now on.
  void stop();

 private:
  // A ready tile: its urgency, then its place in tile order.
  using Ready = std::pair<int, std::size_t>;
  // Moves finished_ down past the drawn tiles.
  void advanceFinished();

  const int height_;
  std::vector<std::vector<std::size_t>> after_;  // tiles waiting for each
  std::vector<uint32_t> waitsFor_;
  std::vector<int> top_;                // each tile's top row
  // The highest top row of the tile and those that wait for it.
  std::vector<int> urgency_;
  std::vector<std::size_t> byTop_;      // tiles by top row
  std::vector<bool> drawn_;
  std::size_t firstUndrawn_ = 0;        // in byTop_
  int finished_ = 0;
  std::priority_queue<Ready, std::vector<Ready>, std::greater<Ready>> ready_;
  std::size_t handedOut_ = 0;
  bool stopped_ = false;
  std::mutex mutex_;
  std::condition_variable changed_;
};

}  // namespace marl

#endif  // MARL_QUAZI_TILE_ORDER_H_
