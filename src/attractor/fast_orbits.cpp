#include "attractor/fast_orbits.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

#include "attractor/fast_orbit_kernel.h"
#include "attractor/hit_bands.h"
#include "base/worker_pool.h"

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

class ProgressReport {
 public:
  explicit ProgressReport(const FastOrbitProgress& report) : report_(report) {}

  void add(uint64_t hits) {
    if (!report_ || hits == 0) return;
    std::lock_guard<std::mutex> hold(lock_);
    done_ += hits;
    report_(done_);
  }

 private:
  const FastOrbitProgress& report_;
  std::mutex lock_;
  uint64_t done_ = 0;
};

struct SharedRun {
  const FastKernelMap kernelMap;
  FastOrbitState& state;  // each chunk reads and writes its own points
  const uint64_t fromHits;
  const uint64_t toHits;
  const uint64_t settleSteps;
  HitBands bands;
  ProgressReport progress;
  std::atomic<std::size_t> nextChunk{0};
};

// One thread's state: its gathering buffers and one slice of cell indices.
struct Worker {
  Worker(HitBands& bands, uint32_t stride)
      : buffer(bands, stride), cells(SliceCells) {}
  HitBandBuffer buffer;
  std::vector<uint32_t> cells;
  uint64_t unreported = 0;
};

void countCells(SharedRun& run, Worker& worker, const uint32_t* cells,
                uint64_t count) {
  worker.buffer.add(cells, std::size_t(count));
  worker.unreported += count;
  if (worker.unreported >= ProgressStep) {
    run.progress.add(worker.unreported);
    worker.unreported = 0;
  }
}

// One round of a chunk's orbits of which only orbits [first, first +
// count) are counted. A round left partial leaves the points where they
// were, so that the state holds whole rounds only.
void partialRound(SharedRun& run, Worker& worker, float* xs, float* ys,
                  std::size_t first, uint64_t count) {
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

void runChunk(SharedRun& run, Worker& worker, std::size_t chunk) {
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

void work(SharedRun& run, Worker& worker) {
  for (;;) {
    const std::size_t chunk = run.nextChunk.fetch_add(1);
    if (chunk >= FastOrbitChunks) break;
    runChunk(run, worker, chunk);
  }
  worker.buffer.flushAll();
  run.progress.add(worker.unreported);
  worker.unreported = 0;
}

}  // namespace

uint64_t fastChunkHits(uint64_t hits, std::size_t chunk) {
  return hits / FastOrbitChunks + (chunk < hits % FastOrbitChunks ? 1 : 0);
}

namespace {

void countFastOrbits(const TorusMap& map, FastOrbitState& state,
                     uint64_t hits, HitGrid& grid, unsigned threads,
                     const FastOrbitProgress& progress, uint64_t settleSteps) {
  if (hits <= state.hits) return;
  const std::size_t threadCount =
      std::clamp<std::size_t>(threads, 1, FastOrbitChunks);

  SharedRun run{FastKernelMap(map, grid.size()), state, state.hits, hits,
                settleSteps, HitBands(grid), ProgressReport(progress)};
  // Every buffer is allocated before any thread starts, so that nothing
  // throws once counting has begun.
  std::vector<std::unique_ptr<Worker>> workers;
  for (std::size_t t = 0; t < threadCount; ++t) {
    workers.push_back(std::make_unique<Worker>(run.bands, grid.stride()));
  }

  // Chunks are handed out on demand, so a thread that cannot be started
  // only leaves its share to the others: the grid is the same.
  // Whatever a start throws (no thread, no memory), the threads started go
  // on; with the room reserved first, a failed start leaves the list as it
  // was, and no running thread is ever dropped unjoined.
  std::vector<std::thread> helpers;
  helpers.reserve(threadCount);
  for (std::size_t t = 1; t < threadCount; ++t) {
    try {
      helpers.emplace_back(work, std::ref(run), std::ref(*workers[t]));
    } catch (...) {
      break;
    }
  }
  work(run, *workers[0]);
  for (std::thread& helper : helpers) helper.join();
  grid.maxCount = std::max(grid.maxCount, run.bands.largestCount());
  state.hits = hits;
}

}  // namespace

void runFastOrbits(const TorusMap& map,
                   const std::vector<std::pair<double, double>>& starts,
                   uint64_t hits, HitGrid& grid, unsigned threads,
                   const FastOrbitProgress& progress, uint64_t settleSteps) {
  if (starts.size() < FastOrbitStarts) {
    throw std::invalid_argument(
        "fast orbits need " + std::to_string(FastOrbitStarts) +
        " start points, got " + std::to_string(starts.size()));
  }
  if (hits == 0) return;
  FastOrbitState state{{starts.begin(), starts.begin() + FastOrbitStarts}, 0};
  countFastOrbits(map, state, hits, grid, threads, progress, settleSteps);
}

void continueFastOrbits(const TorusMap& map, FastOrbitState& state,
                        uint64_t hits, HitGrid& grid, unsigned threads,
                        const FastOrbitProgress& progress) {
  if (state.points.size() != FastOrbitStarts) {
    throw std::invalid_argument(
        "fast orbits need " + std::to_string(FastOrbitStarts) +
        " points, got " + std::to_string(state.points.size()));
  }
  countFastOrbits(map, state, hits, grid, threads, progress, 0);
}

}  // namespace marl
