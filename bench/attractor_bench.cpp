// Costs of the innermost work: one map step at each detail, and one pass of
// the run loop (step + grid increment) at the default side and detail set
// against the step alone.
//
// The machine these run on is shared and its speed drifts by a factor of
// two or more within seconds, so the run loop is compared with the bare
// step in short alternating chunks along the same orbit, and the median of
// the per-chunk ratios is reported beside the totals.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <ostream>
#include <vector>

#include <benchmark/benchmark.h>

#include "attractor/hit_grid.h"
#include "attractor/map_parameters.h"
#include "base/random_source.h"
#include "attractor/run_control.h"
#include "attractor/torus_map.h"

namespace marl {
namespace {

constexpr uint32_t DefaultSide = 1201;

std::ostream& discard() {
  static std::ostream sink(nullptr);
  return sink;
}

RunObserver& quiet() {
  static ConsoleRunObserver printer(discard());
  return printer;
}

// A random map whose orbit passes the fill check at `side`, placed on its
// attractor. Every call starts from the same generator states, so that each
// benchmark, however often the library calls it, times the same orbit.
TorusMap acceptedMap(int32_t detail, uint32_t side) {
  RandomSource random;
  std::srand(1);
  TorusMap map;
  map.detail = detail;
  randomizeMap(map, random);
  HitGrid grid;
  grid.setSize(side);
  runOrbit(map, grid, FillCheckInterval + 1, quiet(),
           [&] { randomizeMap(map, random); });
  return map;
}

// Through a const reference on purpose: the read-write form of
// DoNotOptimize in this version of the library, with GCC, can store a stale
// copy back into the variable, which freezes the orbit on one point.
void keep(const TorusMap& map) {
  benchmark::DoNotOptimize(map.x);
  benchmark::DoNotOptimize(map.y);
}

void keep(const HitGrid& grid) { benchmark::DoNotOptimize(grid.maxCount); }

double least(const std::vector<double>& values) {
  return *std::min_element(values.begin(), values.end());
}

double median(std::vector<double> values) {
  std::nth_element(values.begin(), values.begin() + values.size() / 2,
                   values.end());
  return values[values.size() / 2];
}

double seconds() {
  using Clock = std::chrono::steady_clock;
  return std::chrono::duration<double>(Clock::now().time_since_epoch())
      .count();
}

void BM_Iterate(benchmark::State& state) {
  TorusMap map = acceptedMap(int32_t(state.range(0)), DefaultSide);
  for (auto _ : state) {
    map.iterate();
    keep(map);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Iterate)->Arg(2)->Arg(6)->Arg(12)->ComputeStatistics("min", least);

// A whole run at the default settings: warm-up, one passed fill check and
// the accepted state. Items are passes.
void BM_RunOrbit(benchmark::State& state) {
  constexpr int32_t Passes = 2 * FillCheckInterval;
  const TorusMap start = acceptedMap(6, DefaultSide);
  HitGrid grid;
  grid.setSize(DefaultSide);
  int restarts = 0;
  for (auto _ : state) {
    state.PauseTiming();
    TorusMap map = start;
    grid.clearHits();
    state.ResumeTiming();
    runOrbit(map, grid, Passes, quiet(), [&] { ++restarts; });
    keep(grid);
  }
  if (restarts != 0) state.SkipWithError("orbit was not accepted");
  state.SetItemsProcessed(state.iterations() * Passes);
}
BENCHMARK(BM_RunOrbit)->Unit(benchmark::kMillisecond);

// For scale: the same passes counting at once, as a plain loop would.
void plainCounting(TorusMap& map, HitGrid& grid, int32_t passes) {
  const double side = grid.size();
  for (int32_t pass = 0; pass < passes; ++pass) {
    map.iterate();
    uint32_t& cell = grid.at(uint32_t(int32_t(side * map.y)),
                             uint32_t(int32_t(map.x * side)));
    if (++cell > grid.maxCount) grid.maxCount = cell;
  }
}

// Each chunk steps the same stretch of orbit twice: once bare, once through
// the counting loop under test (range 0: runOrbit, 1: plainCounting). A
// chunk of FillCheckInterval passes makes no fill check, so runOrbit does
// the per-pass work of its accepted state; only its 3000 warm-up passes
// (0.3%) go uncounted.
void BM_RunPassVersusIterate(benchmark::State& state) {
  constexpr int32_t Chunk = FillCheckInterval;
  const bool useRunOrbit = state.range(0) == 0;
  TorusMap map = acceptedMap(6, DefaultSide);
  HitGrid grid;
  grid.setSize(DefaultSide);
  std::vector<double> ratios;
  double iterateTime = 0.0, passTime = 0.0;
  for (auto _ : state) {
    TorusMap bare = map;
    const double t0 = seconds();
    for (int32_t pass = 0; pass < Chunk; ++pass) {
      bare.iterate();
      keep(bare);
    }
    const double t1 = seconds();
    if (useRunOrbit) {
      runOrbit(map, grid, Chunk, quiet(), [] {});
    } else {
      plainCounting(map, grid, Chunk);
    }
    const double t2 = seconds();
    keep(grid);
    // Both halves must have walked the same stretch of orbit.
    if (bare.x != map.x || bare.y != map.y) {
      state.SkipWithError("the two halves took different orbits");
      break;
    }
    state.SetIterationTime(t2 - t0);
    iterateTime += t1 - t0;
    passTime += t2 - t1;
    ratios.push_back((t2 - t1) / (t1 - t0));
  }
  const double passes = double(state.iterations()) * Chunk;
  state.counters["iterate_ns"] = iterateTime / passes * 1e9;
  state.counters["pass_ns"] = passTime / passes * 1e9;
  state.counters["ratio_median"] = median(ratios);
}
BENCHMARK(BM_RunPassVersusIterate)
    ->ArgName("plain")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(20)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace marl

