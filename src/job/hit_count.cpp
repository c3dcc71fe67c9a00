#include "job/hit_count.h"

#include <new>

#include "base/escaped_text.h"

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
                                  int64_t iterationMaximum) {
  map_ = map;
  run_.emplace(map_, grid_, iterationMaximum, watch_);
  run_->countStepsInto(steps_);
  return *run_;
}

void HitCount::restart(const TorusMap& map) {
  map_ = map;
  run_->restart();
}

void HitCount::beginJudged(const PicturePlan& plan) {
  map_ = plan.map;
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
