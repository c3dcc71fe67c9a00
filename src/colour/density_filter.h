#ifndef MARL_COLOUR_DENSITY_FILTER_H_
#define MARL_COLOUR_DENSITY_FILTER_H_

#include <cstdint>

#include "attractor/hit_grid.h"

namespace marl {

// How wide the density estimate spreads a cell's hits: a cell whose
// neighbourhood holds c hits a cell spreads them over a disc of radius
// radius / c^curve cells (c taken as at least 1), so a lone hit
// in a veil is smoothed over its neighbours while a cell of a filament,
// with its many hits, keeps them (a radius of half a cell or less is no
// spreading at all).
// With `mirror`, each cell first pools the hits of its eight images under
// the square's symmetries (see poolMirrorImages).
struct DensityFilter {
  double radius = 0.0;
  double curve = 0.0;
  bool mirror = false;
};

// Whether a picture's counts are filtered: none, or the density estimate.
enum class FilterKind { None, Density };

// The words filter= takes.
struct FilterWord {
  FilterKind value;
  const char* word;
};
inline constexpr FilterWord FilterWords[] = {{FilterKind::None, "none"},
                                             {FilterKind::Density, "de"}};

// The widest reach of any kernel, in cells: the limit of the radius.
constexpr uint32_t DensityReachLimit = 16;

// Replaces the counted square's counts by their density estimate, on the
// torus (a cell's hits spread across the edges to the opposite side), in
// bands of `bandRows` rows on up to `threads` threads; 0 chooses the bands.
// The counts become countsPerHit to a hit (at most 4096, fewer when the
// fullest cell would not fit), and maxCount is refreshed. A cell's disc is
// chosen by the hits of its 5 x 5 neighbourhood, not by its own count. Only integers
// are added, so the result is the same for any bands and threads; every
// hit is kept except where a cell would pass the largest count.
void estimateDensity(HitGrid& grid, const DensityFilter& filter,
                     unsigned threads, uint32_t bandRows = 0);

}  // namespace marl

#endif  // MARL_COLOUR_DENSITY_FILTER_H_
