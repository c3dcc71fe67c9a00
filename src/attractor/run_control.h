#ifndef MARL_ATTRACTOR_RUN_CONTROL_H_
#define MARL_ATTRACTOR_RUN_CONTROL_H_

#include <atomic>
#include <cstdint>
#include <functional>

#include "attractor/hit_grid.h"
#include "attractor/run_observer.h"
#include "attractor/torus_map.h"

namespace marl {

// Points are counted only once the orbit has settled onto its attractor.
constexpr int64_t WarmUpIterations = 3000;
// An attempt is judged once, when its counter reaches this.
constexpr int64_t FillCheckInterval = 1000000;
// Share of the counted square an attempt must have visited to be kept.
constexpr double FillThreshold = 0.15;
// Attempts thrown away before the next one is kept whatever its fill, so
// that every run ends: far more than a picture up to 2000 pixels a side
// needs in practice.
constexpr int32_t MaxRejectedAttempts = 100;
// After acceptance, the count range is refreshed and progress reported this
// often.
constexpr int64_t RefreshInterval = 10000000;
// Steps are added to a progress counter in blocks of this many (and at every
// stop), so the loop pays only a countdown for it.
constexpr int64_t StepCountBlock = int64_t(1) << 16;

// The iteration of one picture's orbit: `map` is iterated up to
// iterationMaximum times, every point after the warm-up counted into `grid`
// (raising grid.maxCount). At the fill check an attempt that has filled less
// than FillThreshold of the grid is thrown away, up to MaxRejectedAttempts
// times. The run can stop when an
// attempt is judged and go on later, so that the phase that may restart
// (and so draws fresh maps) and the rest can run at different times.
class OrbitRun {
 public:
  enum class Outcome {
    Rejected,  // the grid is cleared; give the map fresh parameters, restart
    Accepted,  // the rest of the iterations are left for finish()
    Finished,  // the maximum was reached without a (further) judgement
  };

  // Whether the attempt still faces its fill check.
  enum class Judged { NotYet, Already };

  // `firstCount` is the count of the first pass: 0 for a run's first
  // attempt, 1 for an attempt after a restart (see restart()); a judged run
  // going on from where one stopped gives the count it stopped at, with
  // the map at the point it stopped on.
  OrbitRun(TorusMap& map, HitGrid& grid, int64_t iterationMaximum,
           RunObserver& observer,
           int32_t maxRejectedAttempts = MaxRejectedAttempts,
           Judged judged = Judged::NotYet, int64_t firstCount = 0);

  // Iterates until the current attempt is judged or the maximum is reached.
  Outcome runAttempt();
  // After a rejection, once the map has fresh parameters: reports the
  // restart; the next runAttempt starts the new attempt.
  void restart();
  // Iterates to the maximum (after acceptance, or to use up a run too short
  // to be judged).
  void finish();
  // Iterates after acceptance until `count` iterations are done or the
  // maximum is reached, whichever is first.
  void finishUpTo(int64_t count);

  // Adds every step from now on to `steps` (which may be shared by runs on
  // other threads); nullptr stops it.
  void countStepsInto(std::atomic<int64_t>* steps) { steps_ = steps; }

  // Iterations done so far in the current attempt.
  int64_t iterationCount() const { return itcnt_; }
  bool isAccepted() const { return accepted_; }
  // Whether the kept attempt filled too little and was kept only because
  // MaxRejectedAttempts had been thrown away.
  bool keptUnfilled() const { return keptUnfilled_; }

 private:
  // Iterates until `stopAtJudgement` and a judgement, or `stopAt`.
  Outcome iterate(bool stopAtJudgement, int64_t stopAt);

  TorusMap& map_;
  HitGrid& grid_;
  RunObserver& observer_;
  std::atomic<int64_t>* steps_ = nullptr;
  const int64_t iterationMaximum_;
  const int32_t maxRejectedAttempts_;
  int64_t itcnt_ = 0;
  // The next count at which the grid is read: the fill check, then every
  // refresh.
  int64_t nextCheck_ = FillCheckInterval;
  bool accepted_ = false;
  int32_t rejections_ = 0;
  bool keptUnfilled_ = false;
};

// The whole run at once: every attempt, with `restart` giving the map fresh
// parameters after each rejection. A maximum of 0 or less does nothing.
void runOrbit(TorusMap& map, HitGrid& grid, int64_t iterationMaximum,
              RunObserver& observer, const std::function<void()>& restart);

}  // namespace marl

#endif  // MARL_ATTRACTOR_RUN_CONTROL_H_
