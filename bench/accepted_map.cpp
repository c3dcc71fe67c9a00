#include "accepted_map.h"

#include <cstdlib>
#include <ostream>

#include "attractor/fast_orbits.h"
#include "attractor/hit_grid.h"
#include "attractor/map_parameters.h"
#include "attractor/run_control.h"
#include "attractor/run_observer.h"
#include "base/random_source.h"

namespace marl {

TorusMap acceptedMap(uint32_t side) {
  RandomSource random;
  std::srand(1);
  TorusMap map;
  map.detail = 6;
  randomizeMap(map, random);
  HitGrid grid;
  grid.setSize(side);
  std::ostream discard(nullptr);
  ConsoleRunObserver quiet(discard);
  runOrbit(map, grid, FillCheckInterval + 1, quiet,
           [&] { randomizeMap(map, random); });
  return map;
}

std::vector<std::pair<double, double>> fastOrbitStarts(TorusMap& map) {
  std::vector<std::pair<double, double>> starts;
  for (std::size_t i = 0; i < FastOrbitStarts; ++i) {
    for (int k = 0; k < 100; ++k) map.iterate();
    starts.emplace_back(map.x, map.y);
  }
  return starts;
}

}  // namespace marl
