#include "colour/mirror_pool.h"

#include <cstdint>

namespace marl {

void poolMirrorImages(HitGrid& grid) {
  const uint32_t n = grid.size();
  // Each orbit of the symmetries once, from its cell with n - 1 <= 2 row
  // and row <= column: (u, v) = (2 row - n + 1, 2 column - n + 1) with
  // 0 <= u <= v, whose images are (+-u, +-v) and (+-v, +-u).
  for (uint32_t r = n / 2; r < n; ++r) {
    const uint32_t mr = n - 1 - r;
    for (uint32_t c = r; c < n; ++c) {
      const uint32_t mc = n - 1 - c;
      uint32_t* images[MirrorImages] = {
          &grid.at(r, c),  &grid.at(mr, c),  &grid.at(r, mc),  &grid.at(mr, mc),
          &grid.at(c, r),  &grid.at(mc, r),  &grid.at(c, mr),  &grid.at(mc, mr)};
      uint64_t sum = 0;
      for (uint32_t* cell : images) sum += *cell;
      const uint32_t pooled = sum > UINT32_MAX ? UINT32_MAX : uint32_t(sum);
      for (uint32_t* cell : images) *cell = pooled;
    }
  }
  grid.countsPerHit *= MirrorImages;
  grid.maxCount = 0;
  grid.refreshCountRange();
}

}  // namespace marl
