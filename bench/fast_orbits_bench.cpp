// Cost of a fast-mode step against the exact step, in the same run.
//
// Each iteration times, one after the other along the same map: a stretch
// of exact steps (TorusMap::iterate), the SIMD kernel alone in double and
// in single precision, and runFastOrbits (the single kernel, counting into
// the shared grid, final count scan).
// The machine is shared: times are the process's CPU time (all its threads
// together), so that waiting for a core is not counted, and the median of
// the per-iteration ratios exact / fast is reported beside the mean
// nanoseconds per step per core.
//
// Arguments: target (0: the best the processor has, 1: dispatch forced to
// AVX2), grid side, threads.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <ostream>
#include <utility>
#include <vector>

#include <benchmark/benchmark.h>
#include <hwy/targets.h>

#include "accepted_map.h"
#include "attractor/fast_orbit_kernel.h"
#include "attractor/fast_orbits.h"
#include "attractor/hit_grid.h"
#include "attractor/map_parameters.h"
#include "attractor/run_observer.h"
#include "base/random_source.h"
#include "attractor/run_control.h"
#include "attractor/torus_map.h"

namespace marl {
namespace {

// Through a const reference: the read-write DoNotOptimize of this library
// version can store a stale copy back and freeze the orbit (see
// attractor_bench.cpp).
void keep(const TorusMap& map) {
  benchmark::DoNotOptimize(map.x);
  benchmark::DoNotOptimize(map.y);
}

double cpuSeconds() {
  timespec now;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return double(now.tv_sec) + 1e-9 * double(now.tv_nsec);
}

double median(std::vector<double> values) {
  std::nth_element(values.begin(), values.begin() + values.size() / 2,
                   values.end());
  return values[values.size() / 2];
}

void BM_FastStepVersusExact(benchmark::State& state) {
  constexpr int ExactSteps = 20000;
  constexpr uint64_t FastHits = uint64_t(1) << 22;
  const bool forceAvx2 = state.range(0) == 1;
  const uint32_t side = uint32_t(state.range(1));
  const unsigned threads = unsigned(state.range(2));
  if (forceAvx2) {
    if ((hwy::SupportedTargets() & HWY_AVX2) == 0) {
      state.SkipWithError("no AVX2 on this processor");
      return;
    }
    hwy::SetSupportedTargetsForTest(HWY_AVX2);
  }
  state.SetLabel(fastKernelTarget());

  TorusMap map = acceptedMap(side);
  const std::vector<std::pair<double, double>> starts = fastOrbitStarts(map);
  HitGrid grid;
  grid.setSize(side);
  const FastKernelMap kernelMap(map, grid.size());
  constexpr std::size_t KernelSteps = 4096;
  std::vector<uint32_t> cells(KernelSteps * FastOrbitsPerChunk);
  std::vector<double> xs(FastOrbitsPerChunk), ys(FastOrbitsPerChunk);
  std::vector<float> xf(FastOrbitsPerChunk), yf(FastOrbitsPerChunk);
  for (std::size_t o = 0; o < FastOrbitsPerChunk; ++o) {
    xf[o] = float(xs[o] = starts[o].first);
    yf[o] = float(ys[o] = starts[o].second);
  }

  std::vector<double> ratios;
  double exactTime = 0, kernelTime = 0, singleTime = 0, fastTime = 0;
  for (auto _ : state) {
    const double t0 = cpuSeconds();
    for (int i = 0; i < ExactSteps; ++i) {
      map.iterate();
      keep(map);
    }
    const double t1 = cpuSeconds();
    stepFastOrbits(kernelMap, xs.data(), ys.data(), FastOrbitsPerChunk,
                   KernelSteps, cells.data());
    benchmark::DoNotOptimize(cells.data());
    const double ts = cpuSeconds();
    stepFastOrbits(kernelMap, xf.data(), yf.data(), FastOrbitsPerChunk,
                   KernelSteps, cells.data());
    benchmark::DoNotOptimize(cells.data());
    const double t2 = cpuSeconds();
    runFastOrbits(map, starts, FastHits, grid, threads);
    benchmark::DoNotOptimize(grid.maxCount);
    const double t3 = cpuSeconds();
    state.SetIterationTime(t3 - t0);
    exactTime += t1 - t0;
    kernelTime += ts - t1;
    singleTime += t2 - ts;
    fastTime += t3 - t2;
    const double exactStep = (t1 - t0) / ExactSteps;
    ratios.push_back(exactStep / ((t3 - t2) / FastHits));
  }
  if (forceAvx2) hwy::SetSupportedTargetsForTest(0);

  const double n = double(state.iterations());
  state.counters["exact_ns"] = exactTime / (n * ExactSteps) * 1e9;
  state.counters["kernel_ns"] =
      kernelTime / (n * KernelSteps * FastOrbitsPerChunk) * 1e9;
  state.counters["single_kernel_ns"] =
      singleTime / (n * KernelSteps * FastOrbitsPerChunk) * 1e9;
  state.counters["fast_ns"] = fastTime / (n * FastHits) * 1e9;
  state.counters["ratio_median"] = median(ratios);
}
BENCHMARK(BM_FastStepVersusExact)
    ->ArgNames({"avx2", "side", "threads"})
    ->Args({0, 1201, 1})
    ->Args({1, 1201, 1})
    ->Args({0, 1201, 2})
    ->Args({0, 16384, 1})
    ->Iterations(30)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace marl
