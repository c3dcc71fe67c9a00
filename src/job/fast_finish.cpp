// The fast finish of an accepted attempt: the density of many orbits of the
// same map instead of one orbit's.
#include <utility>
#include <vector>

#include "attractor/fast_orbits.h"
#include "base/saturating.h"
#include "job/hit_count.h"

namespace marl {

namespace {

// Exact steps between two start points: neighbouring points of one orbit
// stay close for a few dozen steps.
constexpr int64_t StartSpacing = 256;
// Below this many fast steps the exact orbit is quicker than setting up.
constexpr int64_t LeastFastSteps = 2000000;

}  // namespace

void HitCount::finishOrbit(const PicturePlan& plan) {
  const PictureOptions& o = plan.options;
  if (plan.frame && plan.frame->fastStarts &&
      o.mode == JobSettings::Mode::Fast) {
    finishFrameOrbit(plan);
    return;
  }
  OrbitRun& run = *run_;
  const int64_t maximum = o.iterationMaximum;
  if (fast_) {
    // Going on from a counts file whose fast orbits had begun.
    finishFast(plan, uint64_t(maximum - fastFrom_));
    return;
  }
  if (o.mode != JobSettings::Mode::Fast || !run.isAccepted()) {
    finishExactUpTo(run, maximum);
    return;
  }
  // What a fast picture counts, so that its recipe makes it again: the
  // exact orbit's hits up to where the fill check leaves a drawn map's kept
  // attempt (FillCheckInterval + 1 steps, counted as usual), then those of
  // the fast orbits started from points of the exact orbit StartSpacing
  // steps apart after it. A replay faces no fill check, so it runs the
  // very same prefix itself before taking its start points, and counts
  // exactly what the original counted, on any thread count. Keep both to
  // this one prefix (hit_count_test checks a replay's grid).
  const int64_t judged = FillCheckInterval + 1;
  const int64_t exactSteps = judged + int64_t(FastOrbitStarts) * StartSpacing;
  // Compared without subtracting: a maximum far below zero must not wrap
  // round to a huge count of fast steps.
  if (maximum < exactSteps + LeastFastSteps) {
    finishExactUpTo(run, maximum);
    return;
  }
  run.finishUpTo(judged);
  std::vector<std::pair<double, double>> starts;
  starts.reserve(FastOrbitStarts);
  for (std::size_t k = 0; k < FastOrbitStarts; ++k) {
    run.finishUpTo(run.iterationCount() + StartSpacing);
    starts.emplace_back(map_.x, map_.y);
  }
  // The passes from here to the maximum, all counted.
  fastFrom_ = run.iterationCount();
  fast_ = FastOrbitState{std::move(starts), 0};
  finishFast(plan, uint64_t(maximum - fastFrom_));
}

bool HitCount::canGoOn(const PicturePlan& plan, const CountsState& state) {
  const PictureOptions& o = plan.options;
  if (state.fast != (o.mode == JobSettings::Mode::Fast) ||
      state.side != o.side || state.steps > o.iterationMaximum)
    return false;
  if (!state.fast || state.fastFrom) return true;
  // An exact count in fast mode: it goes on only while it has not passed
  // the point where the fast orbits would take their first start, or when
  // the maximum is too low for fast orbits at all.
  const int64_t judged = FillCheckInterval + 1;
  const int64_t exactSteps = judged + int64_t(FastOrbitStarts) * StartSpacing;
  return state.steps <= judged ||
         o.iterationMaximum < exactSteps + LeastFastSteps;
}

void HitCount::finishFast(const PicturePlan& plan, uint64_t hits) {
  // Rounds of hits between checkpoints: a fraction of a second on a few
  // cores, so that the checkpoints come about when they are due.
  constexpr uint64_t RoundHits = uint64_t(1) << 27;
  FastOrbitState& state = *fast_;
  while (state.hits < hits) {
    const uint64_t target =
        checkpoint_ && hits - state.hits > RoundHits ? state.hits + RoundHits
                                                     : hits;
    continueFastOrbits(map_, state, target, grid_, plan.options.threads,
                       fastProgress(fastFrom_ + int64_t(state.hits)));
    checkpointIfDue();
  }
}

FastOrbitProgress HitCount::fastProgress(int64_t from) {
  // The progress lines the exact loop would print after the same passes.
  int64_t nextLine = (from + RefreshInterval - 1) / RefreshInterval *
                     RefreshInterval;
  uint64_t counted = 0;
  return [this, from, nextLine, counted](uint64_t done) mutable {
    if (steps_ != nullptr)
      steps_->fetch_add(int64_t(done - counted), std::memory_order_relaxed);
    counted = done;
    while (nextLine - from + 1 <= int64_t(done)) {
      console_.progress(nextLine);
      nextLine = saturatingAdd(nextLine, RefreshInterval);
    }
  };
}

void HitCount::finishFrameOrbit(const PicturePlan& plan) {
  // As many hits as the exact loop counts, all from the fast orbits.
  const int64_t hits = std::max<int64_t>(
      plan.options.iterationMaximum - WarmUpIterations - 1, 0);
  runFastOrbits(map_, *plan.frame->fastStarts, uint64_t(hits), grid_,
                plan.options.threads, fastProgress(WarmUpIterations + 1),
                FastSettleSteps);
}

}  // namespace marl
