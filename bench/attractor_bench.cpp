// Costs of the innermost work: one map step at each detail, and one pass of
// the run loop (step + grid increment) at the default side and detail, from
// the same accepted orbit, so that the two can be compared directly.

#include <cstdint>
#include <functional>
#include <ostream>

#include <benchmark/benchmark.h>

#include "attractor/hit_grid.h"
#include "attractor/map_parameters.h"
#include "attractor/random_source.h"
#include "attractor/run_control.h"
#include "attractor/torus_map.h"

namespace marl {
namespace {

constexpr uint32_t DefaultSide = 1201;
constexpr int32_t PassesPerRun = 4000000;

std::ostream& discard() {
  static std::ostream sink(nullptr);
  return sink;
}

// A random map whose orbit passes the fill check at `side`, placed on its
// attractor. Every detail starts from the same engine state.
TorusMap acceptedMap(int32_t detail, uint32_t side) {
  randomEngine.seed(5489u);
  TorusMap map;
  map.detail = detail;
  randomizeMap(map);
  HitGrid grid;
  grid.setSize(side);
  runOrbit(map, grid, FillCheckInterval + 1, discard(),
           [&] { randomizeMap(map); });
  return map;
}

void BM_Iterate(benchmark::State& state) {
  TorusMap map = acceptedMap(int32_t(state.range(0)), DefaultSide);
  for (auto _ : state) {
    map.iterate();
    benchmark::DoNotOptimize(map.x);
    benchmark::DoNotOptimize(map.y);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Iterate)->Arg(2)->Arg(6)->Arg(12);

// The two below run the same PassesPerRun steps from the same start, one
// with the grid counting and one without; items are passes.
void BM_IterateOnlyRun(benchmark::State& state) {
  const TorusMap start = acceptedMap(6, DefaultSide);
  for (auto _ : state) {
    TorusMap map = start;
    for (int32_t pass = 0; pass < PassesPerRun; ++pass) {
      map.iterate();
      benchmark::DoNotOptimize(map.x);
      benchmark::DoNotOptimize(map.y);
    }
  }
  state.SetItemsProcessed(state.iterations() * PassesPerRun);
}
BENCHMARK(BM_IterateOnlyRun)->Unit(benchmark::kMillisecond);

void BM_RunOrbit(benchmark::State& state) {
  const TorusMap start = acceptedMap(6, DefaultSide);
  HitGrid grid;
  grid.setSize(DefaultSide);
  int restarts = 0;
  for (auto _ : state) {
    state.PauseTiming();
    TorusMap map = start;
    grid.clearHits();
    state.ResumeTiming();
    runOrbit(map, grid, PassesPerRun, discard(), [&] { ++restarts; });
    benchmark::DoNotOptimize(grid.maxCount);
  }
  if (restarts != 0) state.SkipWithError("orbit was not accepted");
  state.SetItemsProcessed(state.iterations() * PassesPerRun);
}
BENCHMARK(BM_RunOrbit)->Unit(benchmark::kMillisecond);

// For scale: the same passes counting at once, as a plain loop would.
void BM_RunWithoutPrefetch(benchmark::State& state) {
  const TorusMap start = acceptedMap(6, DefaultSide);
  HitGrid grid;
  grid.setSize(DefaultSide);
  const double side = DefaultSide;
  for (auto _ : state) {
    state.PauseTiming();
    TorusMap map = start;
    grid.clearHits();
    state.ResumeTiming();
    for (int32_t pass = 0; pass < PassesPerRun; ++pass) {
      map.iterate();
      uint32_t& cell =
          grid.at(uint32_t(int32_t(side * map.y)), uint32_t(int32_t(map.x * side)));
      if (++cell > grid.maxCount) grid.maxCount = cell;
    }
    benchmark::DoNotOptimize(grid.maxCount);
  }
  state.SetItemsProcessed(state.iterations() * PassesPerRun);
}
BENCHMARK(BM_RunWithoutPrefetch)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace marl

BENCHMARK_MAIN();
