#include "colour/gradient_renderer.h"

#include <algorithm>

namespace marl {

CountColours binColours(const std::vector<uint64_t>& histogram,
                        const GradientScheme& scheme, int depth,
                        double countsPerHit) {
  const std::vector<double> position =
      tonePositions(histogram, scheme.tone, scheme.gamma, countsPerHit);
  const GradientTable gradient(
      Gradient(scheme.stops, scheme.blend, scheme.reverse));
  CountColours colours;
  colours.entry.kind = CountEntry::Kind::Binned;
  colours.colours8.assign(histogram.size(), 0u);
  if (depth == 16) colours.colours16.assign(histogram.size(), 0u);
  for (std::size_t b = 0; b < histogram.size(); ++b) {
    if (histogram[b] == 0) continue;
    const Rgb colour = gradient.at(position[b]);
    colours.colours8[b] = packArgb8(colour);
    if (depth == 16) {
      colours.colours16[b] = uint64_t(quantiseChannel(colour.r, 65535)) << 32 |
                             uint64_t(quantiseChannel(colour.g, 65535)) << 16 |
                             quantiseChannel(colour.b, 65535);
    }
  }
  return colours;
}

CountColours gradientColours(const HitGrid& grid, const GradientScheme& scheme,
                             int depth) {
  return binColours(binHistogram(grid), scheme, depth, grid.countsPerHit);
}

}  // namespace marl
