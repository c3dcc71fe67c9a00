#include "attractor/hit_bands.h"

namespace marl {

namespace {

int bandShift(std::size_t cellCount) {
  int shift = HitBands::MinShift;
  while ((cellCount >> shift) >= HitBands::MaxBands) ++shift;
  return shift;
}

}  // namespace

HitBands::HitBands(HitGrid& grid)
    : cells_(grid.row(0)),
      shift_(bandShift(std::size_t(grid.stride()) * grid.stride())),
      locks_(((std::size_t(grid.stride()) * grid.stride()) >> shift_) + 1) {}

void HitBands::add(std::size_t band, const uint32_t* cells,
                   std::size_t count) {
  std::lock_guard<std::mutex> hold(locks_[band]);
  for (std::size_t i = 0; i < count; ++i) ++cells_[cells[i]];
}

HitBandBuffer::HitBandBuffer(HitBands& bands)
    : bands_(bands),
      shift_(bands.shift()),
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
