#ifndef MARL_ATTRACTOR_MAP_PARAMETERS_H_
#define MARL_ATTRACTOR_MAP_PARAMETERS_H_

#include <cstdint>

#include "attractor/torus_map.h"
#include "base/random_source.h"

namespace marl {

// Draws a fresh map and start point for `map.detail` (step 5 of
// draw_sequence.h) and returns the image number (0..30000) for the file
// names. Entries of the matrix outside the detail x detail block are left as
// they are.
int32_t randomizeMap(TorusMap& map, RandomSource& random);

}  // namespace marl

#endif  // MARL_ATTRACTOR_MAP_PARAMETERS_H_
