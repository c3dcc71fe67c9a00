#include "attractor/run_control.h"

#include <algorithm>

#include "base/saturating.h"

namespace marl {

namespace {

void countHitIn(HitGrid& grid, uint32_t* cell) {
  const uint32_t count = countHit(*cell);
  if (count > grid.maxCount) grid.maxCount = count;
}

}  // namespace

OrbitRun::OrbitRun(TorusMap& map, HitGrid& grid, int64_t iterationMaximum,
                   RunObserver& observer, int32_t maxRejectedAttempts,
                   Judged judged, int64_t firstCount)
    : map_(map),
      grid_(grid),
      observer_(observer),
      iterationMaximum_(iterationMaximum),
      maxRejectedAttempts_(maxRejectedAttempts),
      itcnt_(firstCount) {
  if (judged == Judged::Already) {
    accepted_ = true;
    // A run going on from a count it reached before keeps the refreshes
    // (and progress lines) it would have made had it never stopped.
    nextCheck_ = std::max(RefreshInterval,
                          (firstCount + RefreshInterval - 1) / RefreshInterval *
                              RefreshInterval);
  }
}

OrbitRun::Outcome OrbitRun::runAttempt() {
  return iterate(true, iterationMaximum_);
}

void OrbitRun::finish() { iterate(false, iterationMaximum_); }

void OrbitRun::finishUpTo(int64_t count) {
  iterate(false, std::min(count, iterationMaximum_));
}

void OrbitRun::restart() { observer_.restarted(); }

OrbitRun::Outcome OrbitRun::iterate(bool stopAtJudgement, int64_t stopAt) {
  const double side = double(grid_.size());
  // Locals, not members: the map step is an opaque call, after which members
  // would be read again from memory on every pass.
  int64_t itcnt = itcnt_;
  int64_t nextCheck = nextCheck_;
  const int64_t maximum = stopAt;
  int64_t blockLeft = StepCountBlock;
  auto countSteps = [&] {
    if (steps_ != nullptr)
      steps_->fetch_add(StepCountBlock - blockLeft, std::memory_order_relaxed);
    blockLeft = StepCountBlock;
  };
  auto leave = [&](Outcome outcome) {
    countSteps();
    itcnt_ = itcnt;
    nextCheck_ = nextCheck;
    return outcome;
  };

  // The cell of a pass is a near-certain cache miss, but its address is known
  // a whole map step before it is needed: prefetch it and make the increment
  // during the next pass. The pending hit is flushed before anything reads
  // the grid, so the results are those of counting at once.
  uint32_t* pending = nullptr;
  auto flush = [&] {
    if (pending != nullptr) countHitIn(grid_, pending);
    pending = nullptr;
  };

  while (itcnt < maximum) {
    map_.iterate();
    if (--blockLeft == 0) countSteps();
    const int32_t column = static_cast<int32_t>(map_.x * side);
    const int32_t row = static_cast<int32_t>(side * map_.y);
    uint32_t* cell = grid_.row(uint32_t(row)) + column;
    __builtin_prefetch(cell, 1);
    flush();

    if (itcnt > WarmUpIterations) {
      pending = cell;
      if (itcnt == nextCheck) {
        flush();
        observer_.progress(itcnt);
        if (accepted_) {
          grid_.refreshCountRange();
          nextCheck = saturatingAdd(nextCheck, RefreshInterval);
        } else {
          const double fillval = grid_.filledFraction();
          observer_.fillChecked(fillval);
          if (fillval < FillThreshold && rejections_ >= maxRejectedAttempts_) {
            keptUnfilled_ = true;
          } else if (fillval < FillThreshold) {
            ++rejections_;
            grid_.clearHits();
            // The new attempt counts from 1: its first pass follows the
            // increment the old one would have made.
            itcnt = 1;
            return leave(Outcome::Rejected);
          }
          accepted_ = true;
          nextCheck = RefreshInterval;
          observer_.accepted();
          if (stopAtJudgement) {
            ++itcnt;
            return leave(Outcome::Accepted);
          }
        }
      }
    }
    ++itcnt;
  }
  flush();
  return leave(Outcome::Finished);
}

void runOrbit(TorusMap& map, HitGrid& grid, int64_t iterationMaximum,
              RunObserver& observer, const std::function<void()>& restart) {
  OrbitRun run(map, grid, iterationMaximum, observer);
  while (run.runAttempt() == OrbitRun::Outcome::Rejected) {
    restart();
    run.restart();
  }
  run.finish();
}

}  // namespace marl
