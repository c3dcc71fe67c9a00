#include "job/hit_count.h"

#include <new>

#include "base/escaped_text.h"
#include "base/saturating.h"

namespace marl {

HitCount::HitCount(JobConsole& console, std::atomic<int64_t>* steps)
    : console_(console), steps_(steps) {}

bool HitCount::allocate(uint32_t side) {
  try {
    grid_.setSize(side);
    return true;
  } catch (const std::bad_alloc&) {
    console_.error("cannot allocate the hit grid for size=", side,
                   ": out of memory; give a smaller size");
    return false;
  }
}

OrbitRun& HitCount::beginAttempts(const TorusMap& map,
                                  const PictureOptions& options,
                                  bool countAhead) {
  map_ = map;
  planFastStarts(options, countAhead);
  run_.emplace(map_, grid_, options.iterationMaximum, watch_);
  run_->countStepsInto(steps_);
  return *run_;
}

void HitCount::restart(const TorusMap& map) {
  map_ = map;
  run_->restart();
}

void HitCount::beginJudged(const PicturePlan& plan) {
  map_ = plan.map;
  planFastStarts(plan.options, !plan.frame);
  run_.emplace(map_, grid_, plan.options.iterationMaximum, watch_,
               MaxRejectedAttempts, OrbitRun::Judged::Already,
               plan.attempt > 1 ? 1 : 0);
  run_->countStepsInto(steps_);
}

bool HitCount::finish(const PicturePlan& plan) {
  try {
    finishOrbit(plan);
  } catch (const std::bad_alloc&) {
    console_.error("cannot write '", Escaped{plan.names.fileName},
                   "': out of memory for the fast orbits; use mode=exact");
    return false;
  }
  return true;
}

CountsState HitCount::state(const PicturePlan& plan) const {
  CountsState state = orbitState(plan);
  describeGrid(grid_, state);
  return state;
}

CountsState HitCount::orbitState(const PicturePlan& plan) const {
  CountsState state;
  state.fast = plan.options.mode == JobSettings::Mode::Fast;
  state.side = grid_.size();
  if (fast_) {
    state.fastFrom = fastFrom_;
    state.fastOrbits = *fast_;
    state.steps = fastFrom_ + int64_t(fast_->hits);
  } else {
    state.steps = run_ ? run_->iterationCount() : 0;
  }
  state.x = map_.x;
  state.y = map_.y;
  return state;
}

void HitCount::goOnFrom(const PicturePlan& plan, const CountsState& state) {
  dropStarts();
  map_ = plan.map;
  map_.x = state.x;
  map_.y = state.y;
  run_.emplace(map_, grid_, plan.options.iterationMaximum, console_,
               MaxRejectedAttempts, OrbitRun::Judged::Already, state.steps);
  run_->countStepsInto(steps_);
  if (state.fastFrom) {
    fast_ = state.fastOrbits;
    fastFrom_ = *state.fastFrom;
  }
}

void HitCount::checkpointEvery(double minutes, std::function<bool()> write) {
  // The fast orbits then count in rounds, between which checkpoints come.
  ahead_.reset();
  countsAhead_ = false;
  checkpoint_ = std::move(write);
  checkpointPeriod_ = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
      std::chrono::duration<double, std::ratio<60>>(minutes));
  lastCheckpoint_ = std::chrono::steady_clock::now();
}

void HitCount::checkpointIfDue() {
  if (!checkpoint_) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - lastCheckpoint_ < checkpointPeriod_) return;
  if (!checkpoint_()) return;
  // Counted from when the orbit goes on: after the copy of the grid, or
  // after the whole writing when it was written while the orbit waited,
  // so that a slow disk cannot make the run all checkpoints.
  lastCheckpoint_ = std::chrono::steady_clock::now();
}

void HitCount::finishExactUpTo(OrbitRun& run, int64_t count) {
  if (!checkpoint_) {
    run.finishUpTo(count);
    return;
  }
  // About a third of a second of steps: the clock is read between blocks.
  constexpr int64_t Block = int64_t(1) << 20;
  while (run.iterationCount() < count) {
    const int64_t before = run.iterationCount();
    run.finishUpTo(std::min(count, saturatingAdd(before, Block)));
    if (run.iterationCount() == before) break;  // the maximum was reached
    checkpointIfDue();
  }
}

std::unique_ptr<HitCount> countHits(const PicturePlan& plan,
                                    JobConsole& console,
                                    std::atomic<int64_t>* steps) {
  auto hits = std::make_unique<HitCount>(console, steps);
  if (!hits->allocate(plan.options.side)) return nullptr;
  hits->beginJudged(plan);
  if (!hits->finish(plan)) return nullptr;
  return hits;
}

}  // namespace marl
