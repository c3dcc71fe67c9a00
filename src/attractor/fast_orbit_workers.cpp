#include "attractor/fast_orbit_workers.h"

#include <algorithm>
#include <functional>

namespace marl {

namespace {

static_assert(FastOrbitsPerChunk % FastSingleGroup == 0,
              "a chunk must hold whole kernel groups");

// Steps per kernel call: long enough to hide the call, short enough for the
// cell indices to stay in the first-level cache.
constexpr std::size_t SliceSteps = 256;
constexpr std::size_t SliceCells = SliceSteps * FastOrbitsPerChunk;
// Hits a thread counts between two progress reports.
constexpr uint64_t ProgressStep = uint64_t(1) << 20;
// The largest own grid, as large as a thread's band buffers may grow
// (what the memory limits count per counting thread).
constexpr std::size_t OwnGridBytes = std::size_t(8) << 20;
// Counts of 16 bits keep two threads' grids of a default picture within
// the caches (32 bits cost a fifth more time counting on two cores). A
// count passing 65535 wraps to 0 and its cell is noted, at most once per
// 65536 hits: room for this many notes is taken before counting.
constexpr uint64_t MostWraps = uint64_t(1) << 20;
constexpr uint64_t WrapHits = uint64_t(1) << 16;

void countCells(FastRunShared& run, FastWorker& worker, const uint32_t* cells,
                uint64_t count) {
  if (run.ownGrids) {
    uint16_t* grid = worker.grid.data();
    const uint32_t stride = run.grid.stride();
    for (uint64_t i = 0; i < count; ++i) {
      const uint32_t index = cellRow(cells[i]) * stride + cellColumn(cells[i]);
      if (++grid[index] == 0) worker.wraps.push_back(index);
    }
  } else {
    worker.buffer->add(cells, std::size_t(count));
  }
  worker.unreported += count;
  if (worker.unreported >= ProgressStep) {
    run.progress.add(worker.unreported);
    worker.unreported = 0;
  }
}

// One round of a chunk's orbits of which only orbits [first, first +
// count) are counted. A round left partial leaves the points where they
// were, so that the state holds whole rounds only.
void partialRound(FastRunShared& run, FastWorker& worker, float* xs,
                  float* ys, std::size_t first, uint64_t count) {
  float keptX[FastOrbitsPerChunk];
  float keptY[FastOrbitsPerChunk];
  std::copy(xs, xs + FastOrbitsPerChunk, keptX);
  std::copy(ys, ys + FastOrbitsPerChunk, keptY);
  stepFastOrbits(run.kernelMap, xs, ys, FastOrbitsPerChunk, 1,
                 worker.cells.data());
  countCells(run, worker, worker.cells.data() + first, count);
  if (first + count == FastOrbitsPerChunk) return;
  std::copy(keptX, keptX + FastOrbitsPerChunk, xs);
  std::copy(keptY, keptY + FastOrbitsPerChunk, ys);
}

void runChunk(FastRunShared& run, FastWorker& worker, std::size_t chunk) {
  // Single precision: twice the lanes of double for the same attractor
  // (bench/fast_single_precision.sh measures both against exact mode). The
  // state keeps the points as doubles, which hold each float exactly, so a
  // run taken up again goes on from the very same points.
  float xs[FastOrbitsPerChunk];
  float ys[FastOrbitsPerChunk];
  auto* points = run.state.points.data() + chunk * FastOrbitsPerChunk;
  for (std::size_t o = 0; o < FastOrbitsPerChunk; ++o) {
    xs[o] = float(points[o].first);
    ys[o] = float(points[o].second);
  }
  for (uint64_t left = run.settleSteps; left > 0;) {
    const uint64_t steps = std::min<uint64_t>(SliceSteps, left);
    stepFastOrbits(run.kernelMap, xs, ys, FastOrbitsPerChunk,
                   std::size_t(steps), worker.cells.data());
    left -= steps;
  }
  const uint64_t done = fastChunkHits(run.fromHits, chunk);
  uint64_t remaining = fastChunkHits(run.toHits, chunk) - done;
  // The round an earlier run left partial: its first orbits are counted.
  const std::size_t counted = std::size_t(done % FastOrbitsPerChunk);
  if (counted != 0 && remaining > 0) {
    const uint64_t count =
        std::min<uint64_t>(remaining, FastOrbitsPerChunk - counted);
    partialRound(run, worker, xs, ys, counted, count);
    remaining -= count;
  }
  for (uint64_t rounds = remaining / FastOrbitsPerChunk; rounds > 0;) {
    // A cancelled run's counts are thrown away: stop within a slice.
    if (run.isCancelled()) return;
    const uint64_t steps = std::min<uint64_t>(SliceSteps, rounds);
    stepFastOrbits(run.kernelMap, xs, ys, FastOrbitsPerChunk,
                   std::size_t(steps), worker.cells.data());
    countCells(run, worker, worker.cells.data(), steps * FastOrbitsPerChunk);
    rounds -= steps;
  }
  if (remaining % FastOrbitsPerChunk != 0)
    partialRound(run, worker, xs, ys, 0, remaining % FastOrbitsPerChunk);
  for (std::size_t o = 0; o < FastOrbitsPerChunk; ++o)
    points[o] = {xs[o], ys[o]};
}

}  // namespace

ProgressReport::ProgressReport(FastOrbitProgress report, bool held)
    : report_(std::move(report)), held_(held) {}

void ProgressReport::add(uint64_t hits) {
  if (hits == 0) return;
  std::lock_guard<std::mutex> hold(lock_);
  done_ += hits;
  if (!held_ && report_) report_(done_);
}

void ProgressReport::release(FastOrbitProgress report) {
  std::lock_guard<std::mutex> hold(lock_);
  report_ = std::move(report);
  held_ = false;
  if (report_ && done_ > 0) report_(done_);
}

FastRunShared::FastRunShared(const TorusMap& map, HitGrid& grid,
                             FastOrbitState& state, uint64_t toHits,
                             uint64_t settleSteps, FastOrbitProgress progress,
                             bool startsGiven)
    : kernelMap(map, grid.size()),
      grid(grid),
      state(state),
      fromHits(state.hits),
      toHits(toHits),
      settleSteps(settleSteps),
      ownGrids(ownGridsFit(grid, toHits - state.hits)),
      progress(std::move(progress), !startsGiven),
      startsReady_(startsGiven ? state.points.size() : 0) {
  if (!ownGrids) bands.emplace(grid);
}

void FastRunShared::publishStart(double x, double y) {
  std::lock_guard<std::mutex> hold(startsLock_);
  state.points[startsReady_] = {x, y};
  if (++startsReady_ % FastOrbitsPerChunk == 0) startsCame_.notify_all();
}

bool FastRunShared::waitForStarts(std::size_t chunk) {
  std::unique_lock<std::mutex> hold(startsLock_);
  startsCame_.wait(hold, [&] {
    return isCancelled() || startsReady_ >= (chunk + 1) * FastOrbitsPerChunk;
  });
  return !isCancelled();
}

void FastRunShared::cancel() {
  std::lock_guard<std::mutex> hold(startsLock_);
  cancelled_.store(true, std::memory_order_relaxed);
  startsCame_.notify_all();
}

bool ownGridsFit(const HitGrid& grid, uint64_t hits) {
  const std::size_t stride = grid.stride();
  return stride * stride * sizeof(uint16_t) <= OwnGridBytes &&
         hits / WrapHits < MostWraps;
}

FastWorker::FastWorker(FastRunShared& run) : cells(SliceCells) {
  const std::size_t stride = run.grid.stride();
  if (run.ownGrids) {
    grid.assign(stride * stride, 0);
    wraps.reserve(std::size_t((run.toHits - run.fromHits) / WrapHits + 1));
  } else {
    buffer.emplace(*run.bands, uint32_t(stride));
  }
}

void workOnChunks(FastRunShared& run, FastWorker& worker) {
  for (;;) {
    const std::size_t chunk = run.nextChunk.fetch_add(1);
    if (chunk >= FastOrbitChunks || !run.waitForStarts(chunk)) break;
    runChunk(run, worker, chunk);
  }
  if (worker.buffer) worker.buffer->flushAll();
  run.progress.add(worker.unreported);
  worker.unreported = 0;
}

void addOwnGrids(FastRunShared& run,
                 const std::vector<std::unique_ptr<FastWorker>>& workers) {
  if (!run.ownGrids) {
    run.grid.maxCount = std::max(run.grid.maxCount, run.bands->largestCount());
    return;
  }
  uint32_t* cells = run.grid.row(0);
  const std::size_t stride = run.grid.stride();
  const std::size_t count = stride * stride;
  auto add = [](uint32_t& cell, uint64_t hits) {
    cell = uint32_t(std::min<uint64_t>(cell + hits, UINT32_MAX));
    return cell;
  };
  uint32_t largest = 0;
  for (std::size_t i = 0; i < count; ++i) {
    uint64_t hits = 0;
    for (const auto& worker : workers) hits += worker->grid[i];
    if (hits != 0) largest = std::max(largest, add(cells[i], hits));
  }
  // Adding saturates the same in any order: the wraps' hits come last.
  for (const auto& worker : workers)
    for (const uint32_t index : worker->wraps)
      largest = std::max(largest, add(cells[index], WrapHits));
  run.grid.maxCount = std::max(run.grid.maxCount, largest);
}

std::vector<std::unique_ptr<FastWorker>> makeWorkers(FastRunShared& run,
                                                     unsigned threads) {
  const std::size_t count = std::clamp<std::size_t>(threads, 1, FastOrbitChunks);
  std::vector<std::unique_ptr<FastWorker>> workers;
  for (std::size_t t = 0; t < count; ++t)
    workers.push_back(std::make_unique<FastWorker>(run));
  return workers;
}

std::vector<std::thread> startHelpers(
    FastRunShared& run, const std::vector<std::unique_ptr<FastWorker>>& workers) {
  // Chunks are handed out on demand, so a thread that cannot be started
  // only leaves its share to the others: the grid is the same.
  // Whatever a start throws (no thread, no memory), the threads started go
  // on; with the room reserved first, a failed start leaves the list as it
  // was, and no running thread is ever dropped unjoined.
  std::vector<std::thread> helpers;
  helpers.reserve(workers.size());
  for (std::size_t t = 1; t < workers.size(); ++t) {
    try {
      helpers.emplace_back(workOnChunks, std::ref(run), std::ref(*workers[t]));
    } catch (...) {
      break;
    }
  }
  return helpers;
}

}  // namespace marl
