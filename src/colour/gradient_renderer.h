#ifndef MARL_COLOUR_GRADIENT_RENDERER_H_
#define MARL_COLOUR_GRADIENT_RENDERER_H_

#include <cstdint>
#include <vector>

#include "attractor/hit_grid.h"
#include "colour/count_colours.h"
#include "colour/gradient.h"
#include "colour/tone_map.h"

namespace marl {

// Everything the gradient colouring is told: the stops from the emptiest
// cells to the fullest, how they mix, and the tone curve.
struct GradientScheme {
  std::vector<Rgb> stops;
  Blend blend = Blend::Rgb;
  bool reverse = false;
  Tone tone = Tone::Equalize;
  double gamma = 1.0;
};

// The colour of every occupied count bin of `histogram`: its tone position
// read off the sampled gradient, quantised last, to 8 bits a channel
// (packed opaque) and, for `depth` 16, to 16 bits too. Unoccupied bins are
// 0. Counts are `countsPerHit` to a hit (see HitGrid).
CountColours binColours(const std::vector<uint64_t>& histogram,
                        const GradientScheme& scheme, int depth,
                        double countsPerHit = 1.0);
// binColours of the counted square's own histogram.
CountColours gradientColours(const HitGrid& grid, const GradientScheme& scheme,
                             int depth);

}  // namespace marl

#endif  // MARL_COLOUR_GRADIENT_RENDERER_H_
