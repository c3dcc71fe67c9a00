#include "attractor/hit_grid.h"

#include <algorithm>
#include <vector>

namespace marl {

void HitGrid::setSize(uint32_t n) {
  // Release first, so that the old and the new grid never coexist.
  cells_.resize(boost::extents[0][0]);
  size_ = 0;
  const std::size_t side = std::size_t(n) + GridMargin;
  cells_.resize(boost::extents[side][side]);
  size_ = n;
  clearHits();
}

void HitGrid::copyOf(const HitGrid& other) {
  // A grid of the same side keeps its cells: copying into memory already
  // touched is many times quicker than into new pages.
  if (size_ != other.size_ ||
      cells_.num_elements() != other.cells_.num_elements())
    setSize(other.size_);
  // One block: the rows and their margins lie end to end.
  std::copy_n(other.cells_.data(), other.cells_.num_elements(), cells_.data());
  maxCount = other.maxCount;
  countsPerHit = other.countsPerHit;
}

void HitGrid::clearHits() {
  for (uint32_t r = 0; r < size_; ++r) std::fill_n(row(r), size_, 0u);
  maxCount = 0;
  countsPerHit = 1;
}

double HitGrid::filledFraction() const {
  const uint32_t factor = (size_ + FillCheckMaxSide - 1) / FillCheckMaxSide;
  if (factor <= 1) {
    uint32_t filled = 0;
    for (uint32_t r = 0; r < size_; ++r) {
      const uint32_t* cells = row(r);
      for (uint32_t c = 0; c < size_; ++c) filled += cells[c] != 0;
    }
    return double(filled) / (double(size_) * size_);
  }
  const uint32_t coarseSide = (size_ + factor - 1) / factor;
  std::vector<bool> visited(std::size_t(coarseSide) * coarseSide);
  for (uint32_t r = 0; r < size_; ++r) {
    const uint32_t* cells = row(r);
    const std::size_t coarseRow = std::size_t(r / factor) * coarseSide;
    for (uint32_t c = 0; c < size_; ++c) {
      if (cells[c] != 0) visited[coarseRow + c / factor] = true;
    }
  }
  const std::size_t filled = std::count(visited.begin(), visited.end(), true);
  return double(filled) / double(visited.size());
}

void HitGrid::refreshCountRange() {
  for (uint32_t r = 0; r < size_; ++r) {
    const uint32_t* cells = row(r);
    for (uint32_t c = 0; c < size_; ++c) {
      const uint32_t n = cells[c];
      if (n > maxCount) maxCount = n;
    }
  }
}

}  // namespace marl
