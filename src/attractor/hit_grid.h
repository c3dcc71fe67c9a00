#ifndef MARL_ATTRACTOR_HIT_GRID_H_
#define MARL_ATTRACTOR_HIT_GRID_H_

#include <cstdint>

#include <boost/multi_array.hpp>

namespace marl {

// The square of hit counts behind one picture: one cell per pixel, row = the
// cell of the second map coordinate, column = the cell of the first. A margin
// of GridMargin rows and columns lies beyond the counted square, because a
// coordinate of exactly 1.0 lands in row or column `size`.
// Adds one hit to a cell and returns its new count. A count that has
// reached the largest uint32_t stays there: with 64-bit step counts a hot
// cell could pass it, and a wrapped count would paint the brightest cell
// dark.
inline uint32_t countHit(uint32_t& cell) {
  cell += cell != UINT32_MAX;
  return cell;
}

class HitGrid {
 public:
  static constexpr uint32_t GridMargin = 10;
  // Above this side the fill check judges a coarser grid (see filledFraction).
  // The 997,000 hits of one fill-check window could fill 15% of at most 2578
  // cells a side, and in practice no orbit comes near that beyond about 2400.
  static constexpr uint32_t FillCheckMaxSide = 2000;

  HitGrid() = default;

  // Replaces the grid by a zeroed one of side n. Throws std::bad_alloc when
  // the memory cannot be had; the old grid is released first either way.
  void setSize(uint32_t n);
  // Becomes a copy of `other`, margin, largest count and units too: a
  // checkpoint's still picture of a grid that goes on counting. Throws
  // std::bad_alloc as setSize does when the sides differ.
  void copyOf(const HitGrid& other);
  // Zeroes the counted square (not the margin) and maxCount, and counts
  // whole hits again.
  void clearHits();
  // Share of the counted square that has been visited. Up to a side of
  // FillCheckMaxSide every cell is judged; above it, cells are grouped into
  // f x f blocks (f the smallest whole factor with side / f within the limit)
  // and a block counts as visited when any of its cells is.
  double filledFraction() const;
  // One pass over the counted square raising maxCount to the counts seen.
  // The lowest count is always taken as 0, never scanned for.
  void refreshCountRange();

  uint32_t size() const { return size_; }
  // Distance between the starts of two rows, in cells.
  uint32_t stride() const { return size_ + GridMargin; }
  uint32_t* row(uint32_t r) { return cells_.data() + std::size_t(r) * stride(); }
  const uint32_t* row(uint32_t r) const {
    return cells_.data() + std::size_t(r) * stride();
  }
  uint32_t& at(uint32_t r, uint32_t column) { return row(r)[column]; }
  uint32_t at(uint32_t r, uint32_t column) const { return row(r)[column]; }

  uint32_t maxCount = 0;
  // Counts a hit adds: 1 as counted; the density filter leaves counts in
  // finer units, so that a hit spread thin keeps its share.
  uint32_t countsPerHit = 1;

 private:
  boost::multi_array<uint32_t, 2> cells_;
  uint32_t size_ = 0;
};

}  // namespace marl

#endif  // MARL_ATTRACTOR_HIT_GRID_H_
