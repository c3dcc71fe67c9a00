#ifndef MARL_JOB_HIT_COUNT_H_
#define MARL_JOB_HIT_COUNT_H_

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "attractor/fast_orbits.h"
#include "attractor/fast_orbits_ahead.h"
#include "attractor/hit_grid.h"
#include "attractor/run_control.h"
#include "attractor/torus_map.h"
#include "job/counts_state.h"
#include "job/job_console.h"
#include "job/picture_plan.h"

namespace marl {

// The hits of one picture's orbit, counted into its grid, exactly or fast
// as its plan says; progress lines go to the console, and every map step to
// `steps` when given. The drawn map's fill check starts it (see
// preparePicture); a map that needs no check (a replay, a frame) is counted
// from its plan alone with countHits below.
class HitCount {
 public:
  HitCount(JobConsole& console, std::atomic<int64_t>* steps);
  HitCount(const HitCount&) = delete;
  HitCount& operator=(const HitCount&) = delete;

  // A zeroed grid of `side`; false when it cannot be had (told).
  bool allocate(uint32_t side);
  // Counts `map` from its point with the fill check still to come. In fast
  // mode with `countAhead` (and a thread to spare), the fast orbits start
  // on the other threads while the exact orbit is still being judged.
  OrbitRun& beginAttempts(const TorusMap& map, const PictureOptions& options,
                          bool countAhead);
  // The current attempt, to its judgement (see OrbitRun::runAttempt).
  OrbitRun::Outcome runAttempt();
  // After a rejected attempt: counts the fresh `map` instead.
  void restart(const TorusMap& map);
  // Counts the plan's map, which faces no fill check, its steps counted as
  // in the attempt it was.
  void beginJudged(const PicturePlan& plan);

  // The iterations left; false when they cannot be made (told).
  bool finish(const PicturePlan& plan);

  // Where the count stands, for a counts file: the grid's margin and
  // largest count, and what the orbit needs to go on.
  CountsState state(const PicturePlan& plan) const;
  // The same without the grid's part (see describeGrid), which a
  // checkpoint takes from its copy of the grid off the orbit's thread.
  CountsState orbitState(const PicturePlan& plan) const;
  // Whether a grid counted to `state` can go on to the plan's maximum and
  // give the grid of a run straight to it: not when fast orbits would have
  // begun from points the state no longer holds.
  static bool canGoOn(const PicturePlan& plan, const CountsState& state);
  // Goes on from `state`, its grid already in grid() (see canGoOn): finish
  // then counts only the iterations after it.
  void goOnFrom(const PicturePlan& plan, const CountsState& state);
  // While finishing, calls `write` about every `minutes` (the clock is read
  // between blocks of steps), with the counts whole at a step count. A
  // `write` that returns false has taken no checkpoint (the last is still
  // being written) and is called again after the next block.
  void checkpointEvery(double minutes, std::function<bool()> write);

  HitGrid& grid() { return grid_; }
  const HitGrid& grid() const { return grid_; }
  // The share the last fill check found; none before one.
  std::optional<double> lastFill() const { return watch_.lastFill; }

 private:
  // Tells the console what the run tells, keeping the last fill found.
  struct FillWatch : RunObserver {
    explicit FillWatch(JobConsole& to) : console(to) {}
    void progress(int64_t itcnt) override { console.progress(itcnt); }
    void fillChecked(double fillval) override {
      lastFill = fillval;
      console.fillChecked(fillval);
    }
    void restarted() override { console.restarted(); }
    void accepted() override { console.accepted(); }
    JobConsole& console;
    std::optional<double> lastFill;
  };

  void finishOrbit(const PicturePlan& plan);
  // Whether the plan's exact orbit yields fast orbits' start points, and
  // whether they may count ahead.
  void planFastStarts(const PictureOptions& options, bool countAhead);
  // The exact orbit up to the last start point, taking those not yet
  // taken (starting the fast orbits ahead when they may).
  void takeStarts(OrbitRun& run);
  void dropStarts();
  // A frame's fast finish, from the animation's shared start points.
  void finishFrameOrbit(const PicturePlan& plan);
  // Adds fast hits as they are counted to the step counter and tells the
  // progress lines the exact loop would tell from iteration `from`.
  FastOrbitProgress fastProgress(int64_t from);
  // The exact orbit to `count`, or the maximum, in blocks between which
  // checkpoints are written.
  void finishExactUpTo(OrbitRun& run, int64_t count);
  // The fast orbits from fast_ on until `hits` hits are theirs.
  void finishFast(const PicturePlan& plan, uint64_t hits);
  void checkpointIfDue();

  JobConsole& console_;
  FillWatch watch_{console_};
  std::atomic<int64_t>* const steps_;
  TorusMap map_;
  HitGrid grid_;
  std::optional<OrbitRun> run_;
  // Once the fast orbits have begun: the count they began at, and where
  // they stand.
  std::optional<FastOrbitState> fast_;
  int64_t fastFrom_ = 0;
  // Before that: the start points taken so far, and the fast orbits
  // counting ahead from them.
  bool takesStarts_ = false;
  bool countsAhead_ = false;
  unsigned threads_ = 1;
  int64_t iterationMaximum_ = 0;
  std::vector<std::pair<double, double>> starts_;
  std::unique_ptr<FastOrbitsAhead> ahead_;
  std::function<bool()> checkpoint_;
  std::chrono::steady_clock::duration checkpointPeriod_{};
  std::chrono::steady_clock::time_point lastCheckpoint_{};
};

// The hits of a plan whose map faces no fill check, counted to the end;
// nullptr when they cannot be (told).
std::unique_ptr<HitCount> countHits(const PicturePlan& plan,
                                    JobConsole& console,
                                    std::atomic<int64_t>* steps);

}  // namespace marl

#endif  // MARL_JOB_HIT_COUNT_H_
