#include "colour/tone_map.h"

#include <cmath>

namespace marl {

uint32_t binFloor(uint32_t bin) {
  const uint32_t bits = (bin + (127u << BinMantissaBits)) << (23 - BinMantissaBits);
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return uint32_t(double(f) - 1.0);
}

std::vector<uint64_t> binHistogram(const HitGrid& grid) {
  std::vector<uint64_t> histogram(CountBins, 0);
  const uint32_t side = grid.size();
  for (uint32_t y = 0; y < side; ++y) {
    const uint32_t* cells = grid.row(y);
    for (uint32_t x = 0; x < side; ++x) ++histogram[countBin(cells[x])];
  }
  return histogram;
}

uint32_t percentileCount(const std::vector<uint64_t>& histogram, double share) {
  uint64_t visited = 0;
  for (std::size_t b = 1; b < histogram.size(); ++b) visited += histogram[b];
  if (visited == 0) return 0;
  const double wanted = std::ceil(share * double(visited));
  uint64_t seen = 0;
  for (std::size_t b = 1; b < histogram.size(); ++b) {
    seen += histogram[b];
    if (double(seen) >= wanted) return binFloor(uint32_t(b));
  }
  return binFloor(uint32_t(histogram.size() - 1));
}

std::vector<double> tonePositions(const std::vector<uint64_t>& histogram,
                                  Tone tone, double gamma,
                                  double countsPerHit) {
  std::vector<double> position(histogram.size(), 0.0);
  if (tone == Tone::Equalize) {
    uint64_t total = 0;
    for (uint64_t cells : histogram) total += cells;
    std::size_t lowest = 0;
    while (lowest < histogram.size() && histogram[lowest] == 0) ++lowest;
    if (lowest == histogram.size()) return position;
    // Ranked by the cells at or below each bin, less the lowest bin's own.
    const double base = double(histogram[lowest]);
    const double span = double(total) - base;
    uint64_t below = 0;
    for (std::size_t b = 0; b < histogram.size(); ++b) {
      below += histogram[b];
      if (histogram[b] != 0 && span > 0.0)
        position[b] = (double(below) - base) / span;
    }
  } else {
    const double top = double(percentileCount(histogram, TopShare));
    if (top <= 0.0) return position;
    const double logTop = std::log1p(top / countsPerHit);
    for (std::size_t b = 1; b < histogram.size(); ++b) {
      if (histogram[b] == 0) continue;
      const double count = double(binFloor(uint32_t(b)));
      const double p = tone == Tone::Log
                           ? std::log1p(count / countsPerHit) / logTop : count / top;
      position[b] = p < 1.0 ? p : 1.0;
    }
  }
  if (gamma != 1.0) {
    for (std::size_t b = 0; b < histogram.size(); ++b) {
      if (histogram[b] != 0) position[b] = std::pow(position[b], 1.0 / gamma);
    }
  }
  return position;
}

}  // namespace marl
