#ifndef MARL_ATTRACTOR_HIT_BANDS_H_
#define MARL_ATTRACTOR_HIT_BANDS_H_

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "attractor/fast_orbit_kernel.h"
#include "attractor/hit_grid.h"

namespace marl {

// Lets several threads count hits into one HitGrid without an atomic
// operation per hit (each would serialise the memory traffic) and without a
// grid per thread (too much memory). The grid's cells, margin included, are
// cut into bands of 2^shift consecutive cells, each with its own lock; a
// thread gathers cells per band (HitBandBuffer), as offsets from the band's
// first cell, and adds a full buffer under that band's lock. Only integer
// counts are added, so the grid is the same in whatever order the buffers
// arrive.
class HitBands {
 public:
  // Never more bands than this, so that a thread's buffers stay small even
  // at the largest side.
  static constexpr std::size_t MaxBands = 1024;
  // The smallest band, in cells (256 kB of counts).
  static constexpr int MinShift = 16;

  explicit HitBands(HitGrid& grid);

  std::size_t bandCount() const { return locks_.size(); }
  int shift() const { return shift_; }
  // Adds one hit per offset from the band's first cell; every offset must
  // lie in the band. A count stays at its largest value instead of
  // wrapping to 0.
  void add(std::size_t band, const uint32_t* offsets, std::size_t count);
  // The largest count any add has made, so that nobody needs to scan a
  // grid of up to a gigabyte for it. Call once every thread has flushed.
  uint32_t largestCount() const;

 private:
  uint32_t* cells_;
  int shift_;
  std::vector<std::mutex> locks_;
  std::vector<uint32_t> largest_;  // per band, under its lock
};

// One thread's gathering buffers for a HitBands: Capacity indices per band.
class HitBandBuffer {
 public:
  static constexpr uint32_t Capacity = 1024;

  // Allocates all its memory here (bandCount x Capacity indices), so that
  // counting never throws.
  HitBandBuffer(HitBands& bands, uint32_t stride);

  // Counts one hit per cell, packed as packCell(row, column); rows and
  // columns lie within the grid, margin included. The grid's index of a
  // cell passes 32 bits from a side of about 65526, so it is 64 bits here.
  void add(const uint32_t* cells, std::size_t count) {
    const std::size_t mask = (std::size_t(1) << shift_) - 1;
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t index =
          std::size_t(cellRow(cells[i])) * stride_ + cellColumn(cells[i]);
      const std::size_t band = index >> shift_;
      uint32_t& fill = fill_[band];
      storage_[band * Capacity + fill] = uint32_t(index & mask);
      if (++fill == Capacity) flush(band);
    }
  }
  // Adds every gathered index to the grid; the grid is complete only after
  // every thread's buffer has been flushed.
  void flushAll();

 private:
  void flush(std::size_t band);

  HitBands& bands_;
  int shift_;
  std::size_t stride_;
  std::vector<uint32_t> storage_;
  std::vector<uint32_t> fill_;
};

}  // namespace marl

#endif  // MARL_ATTRACTOR_HIT_BANDS_H_
