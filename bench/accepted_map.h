#ifndef MARL_BENCH_ACCEPTED_MAP_H_
#define MARL_BENCH_ACCEPTED_MAP_H_

#include <cstdint>
#include <utility>
#include <vector>

#include "attractor/torus_map.h"

namespace marl {

// The default-detail map of the first draw the exact run accepts (with the
// C library's generator seeded with 1), on its attractor after a grid of
// `side` was checked for filling.
TorusMap acceptedMap(uint32_t side);

// Start points for runFastOrbits, 100 steps apart along `map`'s orbit,
// which this advances.
std::vector<std::pair<double, double>> fastOrbitStarts(TorusMap& map);

}  // namespace marl

#endif  // MARL_BENCH_ACCEPTED_MAP_H_
