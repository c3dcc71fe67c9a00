#ifndef MARL_JOB_COUNTS_STATE_H_
#define MARL_JOB_COUNTS_STATE_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "attractor/fast_orbits.h"
#include "attractor/hit_grid.h"

namespace marl {

// What a counts file keeps beside the counted square, so that the grid can
// be made whole again (its margin, its largest count) and the orbit go on
// bit for bit from where it stopped.
struct CountsState {
  bool fast = false;  // the picture's mode
  uint32_t side = 0;
  // Passes of the map made so far: the exact orbit's count, or in fast mode
  // the count at which its fast orbits began plus their hits.
  int64_t steps = 0;
  // The exact orbit's point after `steps`, while no fast orbit has begun.
  double x = 0.0;
  double y = 0.0;
  // Once the fast orbits have begun: the count they began at, and where
  // they stand.
  std::optional<int64_t> fastFrom;
  FastOrbitState fastOrbits;
  uint32_t maxCount = 0;
  // Hits in the grid's margin (a coordinate of exactly 1.0), which the
  // file's square does not hold.
  struct MarginCell {
    uint32_t row, column, count;
  };
  std::vector<MarginCell> margin;
  // Every hit in the grid, margin included (a check on the counts read).
  uint64_t total = 0;
};

// The state of a grid counted to `state`'s steps, as text bound to
// `recipe`: a check over both ends it, so that neither can be changed or
// swapped without it showing.
std::string countsStateText(const CountsState& state,
                            const std::string& recipe);

// Reads what countsStateText wrote. False, with `why` (words to follow the
// file's name), when the text is not whole, not bound to `recipe`, or
// holds a value out of its bounds.
bool parseCountsState(const std::string& text, const std::string& recipe,
                      CountsState& state, std::string& why);

// Fills the margin, largest count and total of `state` from `grid`.
void describeGrid(const HitGrid& grid, CountsState& state);

// Puts the margin back into a grid read from a file and checks the counts
// against the state: their total and largest count must be the state's.
// False, with `why`, when they are not.
bool restoreGrid(const CountsState& state, HitGrid& grid, std::string& why);

}  // namespace marl

#endif  // MARL_JOB_COUNTS_STATE_H_
