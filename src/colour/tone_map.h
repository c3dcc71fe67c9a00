#ifndef MARL_COLOUR_TONE_MAP_H_
#define MARL_COLOUR_TONE_MAP_H_

#include <cstdint>
#include <cstring>
#include <vector>

#include "attractor/hit_grid.h"
#include "colour/tone.h"

namespace marl {

// Counts are grouped into CountBins bins: every count below 2047 has a bin
// of its own, and above that a bin spans 1/1024 of its counts. So a table
// over the bins covers every 32-bit count in detail finer than a 16-bit
// channel can show, and a count finds its bin without a division.
constexpr uint32_t BinMantissaBits = 10;
constexpr std::size_t CountBins = (std::size_t(32) << BinMantissaBits) + 1;

// The bin of `count`: the exponent and top mantissa bits of count + 1 as a
// float, so bins rise with the count and count 0 is bin 0.
inline uint32_t countBin(uint32_t count) {
  const float f = float(int64_t(count) + 1);
  uint32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  return (bits >> (23 - BinMantissaBits)) - (127u << BinMantissaBits);
}

// The smallest count in `bin`.
uint32_t binFloor(uint32_t bin);

// Share of the visited cells whose counts set the top of tone=log and
// tone=linear: the rest (a thousandth of them) take the last colour. Never
// the maximum, which one cell where the orbit lingers decides; a thousandth
// of a default picture is about a thousand cells, the specks at its cusps,
// while its bright ridges stay graded.
constexpr double TopShare = 0.999;

// Cells of the counted square in each bin.
std::vector<uint64_t> binHistogram(const HitGrid& grid);

// The lowest count reached by `share` of the visited cells (bins above 0);
// 0 when no cell is visited.
uint32_t percentileCount(const std::vector<uint64_t>& histogram, double share);

// Each occupied bin's position on the gradient, 0 to 1, then raised to the
// power 1 / gamma (gamma above 1 moves the dim cells up the gradient).
// Equalize puts the lowest occupied bin at 0 and the highest at 1; log and
// linear divide by the count at TopShare and clamp. Unoccupied bins are 0.
// Log takes counts in hits, `countsPerHit` counts to a hit, so that a
// filtered grid's finer counts bend the curve where whole hits would.
std::vector<double> tonePositions(const std::vector<uint64_t>& histogram,
                                  Tone tone, double gamma,
                                  double countsPerHit = 1.0);

}  // namespace marl

#endif  // MARL_COLOUR_TONE_MAP_H_
