#ifndef MARL_ATTRACTOR_RUN_CONTROL_H_
#define MARL_ATTRACTOR_RUN_CONTROL_H_

#include <cstdint>
#include <functional>
#include <ostream>

#include "attractor/hit_grid.h"
#include "attractor/torus_map.h"

namespace marl {

// Points are counted only once the orbit has settled onto its attractor.
constexpr int32_t WarmUpIterations = 3000;
// An attempt is judged once, when its counter reaches this.
constexpr int32_t FillCheckInterval = 1000000;
// Share of the counted square an attempt must have visited to be kept.
constexpr double FillThreshold = 0.15;
// After acceptance, the count range is refreshed and progress reported this
// often.
constexpr int32_t RefreshInterval = 10000000;

// Iterates `map` up to iterationMaximum times, counting every point after the
// warm-up into `grid` and raising grid.maxCount. An attempt that has filled
// less than FillThreshold of the grid at its fill check is thrown away: the
// grid is cleared and `restart` must give `map` fresh parameters and start
// point. Progress lines go to `out`. A maximum of 0 or less does nothing.
void runOrbit(TorusMap& map, HitGrid& grid, int32_t iterationMaximum,
              std::ostream& out, const std::function<void()>& restart);

}  // namespace marl

#endif  // MARL_ATTRACTOR_RUN_CONTROL_H_
