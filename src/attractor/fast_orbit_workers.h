#ifndef MARL_ATTRACTOR_FAST_ORBIT_WORKERS_H_
#define MARL_ATTRACTOR_FAST_ORBIT_WORKERS_H_

// The threads of one fast run, shared by runFastOrbits and FastOrbitsAhead.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "attractor/fast_orbit_kernel.h"
#include "attractor/fast_orbits.h"
#include "attractor/hit_bands.h"
#include "attractor/hit_grid.h"

namespace marl {

// Tells the hits counted so far, or, while held, keeps them until the
// run is released: a run counting ahead of its fill check must not print
// progress lines before the check's own.
class ProgressReport {
 public:
  explicit ProgressReport(FastOrbitProgress report, bool held);
  void add(uint64_t hits);
  // Tells what was held back, then each add as it comes, to `report`.
  void release(FastOrbitProgress report);

 private:
  std::mutex lock_;
  FastOrbitProgress report_;
  bool held_;
  uint64_t done_ = 0;
};

// What every thread of a run reads. Chunk k needs the start points
// state.points[k * FastOrbitsPerChunk ...], which are all there from the
// start unless they are given one by one (publishStart).
struct FastRunShared {
  FastRunShared(const TorusMap& map, HitGrid& grid, FastOrbitState& state,
                uint64_t toHits, uint64_t settleSteps,
                FastOrbitProgress progress, bool startsGiven);

  // Makes state.points[startsReady] a start and wakes a thread waiting for
  // the chunk it completes.
  void publishStart(double x, double y);
  // Waits until chunk's starts are in; false when the run was cancelled.
  bool waitForStarts(std::size_t chunk);
  void cancel();
  bool isCancelled() const { return cancelled_.load(std::memory_order_relaxed); }

  const FastKernelMap kernelMap;
  HitGrid& grid;
  FastOrbitState& state;  // each chunk reads and writes its own points
  const uint64_t fromHits;
  const uint64_t toHits;
  const uint64_t settleSteps;
  // Whether each thread counts into a grid of its own (see ownGridsFit),
  // else into the shared one through bands.
  const bool ownGrids;
  std::optional<HitBands> bands;
  ProgressReport progress;
  std::atomic<std::size_t> nextChunk{0};

 private:
  std::atomic<bool> cancelled_{false};
  std::mutex startsLock_;
  std::condition_variable startsCame_;
  std::size_t startsReady_ = 0;
};

// Whether a thread may count `hits` hits into its own copy of `grid`, of
// 16-bit counts: one as large as the band buffers a thread may otherwise
// hold. Counting into a copy needs no gathering pass (about a sixth off a
// default fast still) and no lock, and lets a run count before the grid
// itself may be written.
bool ownGridsFit(const HitGrid& grid, uint64_t hits);

// One thread's state: its own grid or its band buffers, and one slice of
// cell indices. All its memory is taken here, so counting never throws.
struct FastWorker {
  explicit FastWorker(FastRunShared& run);
  // When the run has own grids: stride x stride counts, and the cells
  // whose count wrapped, once for each 65536 hits.
  std::vector<uint16_t> grid;
  std::vector<uint32_t> wraps;
  std::optional<HitBandBuffer> buffer;
  std::vector<uint32_t> cells;
  uint64_t unreported = 0;
};

// Counts chunks, as they are handed out, until none is left or the run is
// cancelled; then flushes what the worker holds into the bands.
void workOnChunks(FastRunShared& run, FastWorker& worker);

// Adds the workers' own grids into the run's grid, raising its maxCount to
// the largest count they made. Counts stay at their largest value instead
// of wrapping, as if each hit had been added to the grid itself.
void addOwnGrids(FastRunShared& run,
                 const std::vector<std::unique_ptr<FastWorker>>& workers);

// Workers for `threads` threads (at least one, at most FastOrbitChunks).
std::vector<std::unique_ptr<FastWorker>> makeWorkers(FastRunShared& run,
                                                     unsigned threads);

// Starts a thread working on chunks for each worker but the first, which
// is the caller's; as many as can be started.
std::vector<std::thread> startHelpers(
    FastRunShared& run, const std::vector<std::unique_ptr<FastWorker>>& workers);

}  // namespace marl

#endif  // MARL_ATTRACTOR_FAST_ORBIT_WORKERS_H_
