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
// stay close for a few dozen steps. All of them come before the fill check,
// so that the fast orbits can start while the exact orbit is still judged.
constexpr int64_t StartSpacing = 960;
// Where the exact orbit hands over to the fast orbits: just after its fill
// check, whose count a replay (facing no check) reaches itself.
constexpr int64_t Judged = FillCheckInterval + 1;
static_assert(WarmUpIterations + int64_t(FastOrbitStarts) * StartSpacing <
                  FillCheckInterval,
              "the start points must all come before the fill check");
// Below this many fast steps the exact orbit is quicker than setting up.
constexpr int64_t LeastFastSteps = 2000000;

// The count at which the exact orbit yields start point k.
int64_t startStep(std::size_t k) {
  return WarmUpIterations + int64_t(k + 1) * StartSpacing;
}

// Whether a fast picture of `maximum` iterations has fast orbits at all.
// Compared without subtracting: a maximum far below zero must not wrap
// round to a huge count of fast steps.
bool fastOrbitsBegin(int64_t maximum) {
  return maximum >= Judged + LeastFastSteps;
}

}  // namespace

void HitCount::planFastStarts(const PictureOptions& o, bool countAhead) {
  takesStarts_ = o.mode == JobSettings::Mode::Fast &&
                 fastOrbitsBegin(o.iterationMaximum);
  // Checkpoints and counts going on count the fast orbits in rounds.
  countsAhead_ = countAhead && takesStarts_ && o.checkpointMinutes <= 0 &&
                 o.countsSource.empty();
  threads_ = o.threads;
  iterationMaximum_ = o.iterationMaximum;
}

OrbitRun::Outcome HitCount::runAttempt() {
  OrbitRun& run = *run_;
  if (takesStarts_) takeStarts(run);
  const OrbitRun::Outcome outcome = run.runAttempt();
  if (outcome == OrbitRun::Outcome::Rejected) dropStarts();
  return outcome;
}

void HitCount::takeStarts(OrbitRun& run) {
  const uint64_t hits = uint64_t(iterationMaximum_ - Judged);
  if (starts_.empty() && countsAhead_ &&
      FastOrbitsAhead::fits(grid_, hits, threads_)) {
    try {
      ahead_ = std::make_unique<FastOrbitsAhead>(map_, grid_, hits, threads_);
    } catch (const std::bad_alloc&) {
      // Then they are counted after the exact orbit, in the grid itself.
    }
  }
  starts_.reserve(FastOrbitStarts);
  for (std::size_t k = starts_.size(); k < FastOrbitStarts; ++k) {
    // Before the fill check, which none of these counts reaches.
    run.finishUpTo(startStep(k));
    starts_.emplace_back(map_.x, map_.y);
    if (ahead_) ahead_->addStart(map_.x, map_.y);
  }
}

void HitCount::dropStarts() {
  ahead_.reset();
  starts_.clear();
}

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
  if (o.mode != JobSettings::Mode::Fast || !run.isAccepted() ||
      !fastOrbitsBegin(maximum)) {
    dropStarts();
    finishExactUpTo(run, maximum);
    return;
  }
  // What a fast picture counts, so that its recipe makes it again: the
  // exact orbit's hits up to just after its fill check, which yields the
  // fast orbits' start points on the way, then those of the fast orbits.
  // A replay faces no fill check, so it runs the very same exact steps
  // itself (here), and counts exactly what the original counted, on any
  // thread count. Keep both to this one prefix (hit_count_test checks a
  // replay's grid).
  takeStarts(run);
  run.finishUpTo(Judged);
  fastFrom_ = run.iterationCount();
  if (ahead_ && fastFrom_ == Judged) {
    fast_ = ahead_->finish(fastProgress(fastFrom_));
    dropStarts();
    return;
  }
  ahead_.reset();
  fast_ = FastOrbitState{std::move(starts_), 0};
  starts_.clear();
  finishFast(plan, uint64_t(maximum - fastFrom_));
}

bool HitCount::canGoOn(const PicturePlan& plan, const CountsState& state) {
  const PictureOptions& o = plan.options;
  if (state.fast != (o.mode == JobSettings::Mode::Fast) ||
      state.side != o.side || state.steps > o.iterationMaximum)
    return false;
  if (!state.fast || state.fastFrom) return true;
  // An exact count in fast mode: it goes on only while it has not passed
  // the point where the fast orbits take their first start, or when the
  // maximum is too low for fast orbits at all.
  return state.steps <= startStep(0) || !fastOrbitsBegin(o.iterationMaximum);
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
