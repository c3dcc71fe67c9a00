#include "animation/path_check.h"

#include <algorithm>
#include <atomic>
#include <new>
#include <vector>

#include "attractor/hit_grid.h"
#include "attractor/run_control.h"
#include "attractor/run_observer.h"
#include "base/worker_pool.h"

namespace marl {

namespace {

// The fill is first looked at after this many steps, then after twice as
// many, up to the check: a map that fills the picture early (most do) is
// judged in a fraction of the steps. Visits only grow, so a sample that
// reaches the threshold early would reach it at the check too.
constexpr int64_t FirstLook = 1 << 14;
// Above this side each grid is 64 MB or more: one sample at a time.
constexpr uint32_t LargestSideInParallel = 4096;
constexpr unsigned MostThreads = 4;

class Silent : public RunObserver {
 public:
  void progress(int64_t) override {}
  void fillChecked(double) override {}
  void restarted() override {}
};

// The share of `grid` the exact orbit of `map` (from its point) fills by
// the check, or the first share past the threshold.
double fillOf(TorusMap& map, HitGrid& grid) {
  grid.clearHits();
  Silent silent;
  OrbitRun run(map, grid, FillCheckInterval + 1, silent, 0,
               OrbitRun::Judged::Already);
  for (int64_t until = FirstLook;; until *= 2) {
    run.finishUpTo(std::min(until, FillCheckInterval + 1));
    const double fill = grid.filledFraction();
    if (fill >= FillThreshold || until > FillCheckInterval) return fill;
  }
}

void setCoefficients(TorusMap& map, const Coefficients& coefficients) {
  const int32_t detail = map.detail;
  for (int32_t i = 0; i < detail; ++i)
    for (int32_t j = 0; j < detail; ++j)
      map.coefficientMatrix[i][j] = coefficients[std::size_t(i * detail + j)];
}

}  // namespace

PathVerdict judgePath(const CoefficientPath& path, const TorusMap& start,
                      uint32_t side, unsigned threads) {
  const int32_t stretches = path.stretches();
  const int32_t samples =
      (LeastPathSamples + stretches - 1) / stretches * stretches;
  std::vector<double> fills(std::size_t(samples), 0.0);
  std::atomic<bool> outOfMemory{false};
  const unsigned workers =
      side > LargestSideInParallel
          ? 1
          : std::clamp(threads, 1u, std::min(MostThreads, unsigned(samples)));
  {
    WorkerPool pool{int(workers)};
    for (unsigned w = 0; w < workers; ++w) {
      pool.post([&, w] {
        try {
          HitGrid grid;
          grid.setSize(side);
          for (int32_t j = int32_t(w); j < samples; j += int32_t(workers)) {
            TorusMap map = start;
            setCoefficients(map, path.at(double(j) / double(samples)));
            fills[std::size_t(j)] = fillOf(map, grid);
          }
        } catch (const std::bad_alloc&) {
          outOfMemory = true;
        }
      });
    }
  }
  if (outOfMemory) throw std::bad_alloc();
  PathVerdict verdict;
  for (int32_t j = 0; j < samples; ++j) {
    if (fills[std::size_t(j)] < verdict.lowestFill) {
      verdict.lowestFill = fills[std::size_t(j)];
      verdict.lowestAt = double(j) / double(samples);
    }
  }
  verdict.passes = verdict.lowestFill >= FillThreshold;
  return verdict;
}

}  // namespace marl
