// The density filter's share of a frame: a grid of side 1080 counted at
// 50 hits a pixel by the fast orbits, then filtered with the frames'
// defaults, both timed in each iteration on the same threads. Times are
// the process's CPU time (every thread's), so that waiting for a core on a
// shared machine is not counted; the counters give the mean of each and
// the filter's time as a share of the counting's.
//
// Arguments: threads.

#include <cstdint>
#include <ctime>

#include <benchmark/benchmark.h>

#include "accepted_map.h"
#include "attractor/fast_orbits.h"
#include "attractor/hit_grid.h"
#include "colour/density_filter.h"
#include "job/job_settings.h"

namespace marl {
namespace {

double cpuSeconds() {
  timespec now;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return double(now.tv_sec) + 1e-9 * double(now.tv_nsec);
}

void BM_DensityFilterShareOfAFrame(benchmark::State& state) {
  constexpr uint32_t Side = 1080;
  const unsigned threads = unsigned(state.range(0));
  TorusMap map = acceptedMap(Side);
  const auto starts = fastOrbitStarts(map);
  const DensityFilter filter = ColourSettings().density;
  HitGrid grid;
  double counting = 0.0, filtering = 0.0;
  for (auto _ : state) {
    grid.setSize(Side);
    const double start = cpuSeconds();
    runFastOrbits(map, starts, uint64_t(50) * Side * Side, grid, threads);
    const double counted = cpuSeconds();
    estimateDensity(grid, filter, threads);
    const double filtered = cpuSeconds();
    benchmark::DoNotOptimize(grid.at(Side / 2, Side / 2));
    counting += counted - start;
    filtering += filtered - counted;
  }
  const double n = double(state.iterations());
  state.counters["count_cpu_ms"] = 1e3 * counting / n;
  state.counters["filter_cpu_ms"] = 1e3 * filtering / n;
  state.counters["filter_share"] = filtering / counting;
}
BENCHMARK(BM_DensityFilterShareOfAFrame)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace marl
