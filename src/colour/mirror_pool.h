#ifndef MARL_COLOUR_MIRROR_POOL_H_
#define MARL_COLOUR_MIRROR_POOL_H_

#include "attractor/hit_grid.h"

namespace marl {

// The eight symmetries of the square a cell has on the grid: row and
// column swapped, each mirrored (cell i and n - 1 - i).
constexpr uint32_t MirrorImages = 8;

// Gives every cell the sum of the counts of its eight images, so that a
// picture of a map with the square's symmetries has eight times the hits
// its orbits counted, with no blur: its cells become MirrorImages times as
// many counts to a hit (a count that would pass the largest stays there).
void poolMirrorImages(HitGrid& grid);

}  // namespace marl

#endif  // MARL_COLOUR_MIRROR_POOL_H_
