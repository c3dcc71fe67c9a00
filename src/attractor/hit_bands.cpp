#include "attractor/hit_bands.h"

#include <algorithm>

namespace marl {

namespace {

// How far ahead a flush asks for the cells it will increment: the indices
// are all known, so many cache misses can be under way at once (about a
// third off the counting time at side 1201).
constexpr std::size_t PrefetchDistance = 64;

int bandShift(std::size_t cellCount) {
  int shift = HitBands::MinShift;
  while ((cellCount >> shift) >= HitBands::MaxBands) ++shift;
  return shift;
}

}  // namespace

HitBands::HitBands(HitGrid& grid)
    : cells_(grid.row(0)),
      shift_(bandShift(std::size_t(grid.stride()) * grid.stride())),
      locks_(((std::size_t(grid.stride()) * grid.stride()) >> shift_) + 1),
      largest_(locks_.size(), 0) {}

void HitBands::add(std::size_t band, const uint32_t* offsets,
                   std::size_t count) {
  std::lock_guard<std::mutex> hold(locks_[band]);
  uint32_t* const cells = cells_ + (band << shift_);
  uint32_t largest = largest_[band];
  for (std::size_t i = 0; i < count; ++i) {
    if (i + PrefetchDistance < count) {
      __builtin_prefetch(cells + offsets[i + PrefetchDistance], 1);
    }
    largest = std::max(largest, countHit(cells[offsets[i]]));
  }
  largest_[band] = largest;
}

uint32_t HitBands::largestCount() const {
  return *std::max_element(largest_.begin(), largest_.end());
}

HitBandBuffer::HitBandBuffer(HitBands& bands, uint32_t stride)
    : bands_(bands),
      shift_(bands.shift()),
      stride_(stride),
      storage_(bands.bandCount() * Capacity),
      fill_(bands.bandCount(), 0) {}

void HitBandBuffer::flush(std::size_t band) {
  bands_.add(band, storage_.data() + band * Capacity, fill_[band]);
  fill_[band] = 0;
}

void HitBandBuffer::flushAll() {
  for (std::size_t band = 0; band < fill_.size(); ++band) {
    if (fill_[band] != 0) flush(band);
  }
}

}  // namespace marl
