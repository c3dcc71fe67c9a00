#include "attractor/fast_orbits.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <thread>

#include "attractor/fast_orbit_workers.h"

namespace marl {

uint64_t fastChunkHits(uint64_t hits, std::size_t chunk) {
  return hits / FastOrbitChunks + (chunk < hits % FastOrbitChunks ? 1 : 0);
}

namespace {

void countFastOrbits(const TorusMap& map, FastOrbitState& state,
                     uint64_t hits, HitGrid& grid, unsigned threads,
                     const FastOrbitProgress& progress, uint64_t settleSteps) {
  if (hits <= state.hits) return;
  FastRunShared run(map, grid, state, hits, settleSteps, progress, true);
  // Every buffer is allocated before any thread starts, so that nothing
  // throws once counting has begun.
  const auto workers = makeWorkers(run, threads);

  std::vector<std::thread> helpers = startHelpers(run, workers);
  workOnChunks(run, *workers[0]);
  for (std::thread& helper : helpers) helper.join();
  addOwnGrids(run, workers);
  state.hits = hits;
}

}  // namespace

void runFastOrbits(const TorusMap& map,
                   const std::vector<std::pair<double, double>>& starts,
                   uint64_t hits, HitGrid& grid, unsigned threads,
                   const FastOrbitProgress& progress, uint64_t settleSteps) {
  if (starts.size() < FastOrbitStarts) {
    throw std::invalid_argument(
        "fast orbits need " + std::to_string(FastOrbitStarts) +
        " start points, got " + std::to_string(starts.size()));
  }
  if (hits == 0) return;
  FastOrbitState state{{starts.begin(), starts.begin() + FastOrbitStarts}, 0};
  countFastOrbits(map, state, hits, grid, threads, progress, settleSteps);
}

void continueFastOrbits(const TorusMap& map, FastOrbitState& state,
                        uint64_t hits, HitGrid& grid, unsigned threads,
                        const FastOrbitProgress& progress) {
  if (state.points.size() != FastOrbitStarts) {
    throw std::invalid_argument(
        "fast orbits need " + std::to_string(FastOrbitStarts) +
        " points, got " + std::to_string(state.points.size()));
  }
  countFastOrbits(map, state, hits, grid, threads, progress, 0);
}

}  // namespace marl
