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
  const std::vector<std::pair<double, double>>& starts;
  const uint64_t hits;
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

uint64_t chunkHits(uint64_t hits, std::size_t chunk) {
  return hits / FastOrbitChunks + (chunk < hits % FastOrbitChunks ? 1 : 0);
}

void runChunk(SharedRun& run, Worker& worker, std::size_t chunk) {
  // Single precision: twice the lanes of double for the same attractor
  // (bench/fast_single_precision.sh measures both against exact mode).
  float xs[FastOrbitsPerChunk];
  float ys[FastOrbitsPerChunk];
  for (std::size_t o = 0; o < FastOrbitsPerChunk; ++o) {
    const auto& start = run.starts[chunk * FastOrbitsPerChunk + o];
    xs[o] = float(start.first);
    ys[o] = float(start.second);
  }
  for (uint64_t left = run.settleSteps; left > 0;) {
    const uint64_t steps = std::min<uint64_t>(SliceSteps, left);
    stepFastOrbits(run.kernelMap, xs, ys, FastOrbitsPerChunk,
                   std::size_t(steps), worker.cells.data());
    left -= steps;
  }
  uint64_t remaining = chunkHits(run.hits, chunk);
  while (remaining > 0) {
    // The last slice may count only the first orbits of its last step.
    const uint64_t steps = std::min<uint64_t>(
        SliceSteps, (remaining + FastOrbitsPerChunk - 1) / FastOrbitsPerChunk);
    stepFastOrbits(run.kernelMap, xs, ys, FastOrbitsPerChunk,
                   std::size_t(steps), worker.cells.data());
    const uint64_t counted =
        std::min<uint64_t>(remaining, steps * FastOrbitsPerChunk);
    worker.buffer.add(worker.cells.data(), std::size_t(counted));
    remaining -= counted;
    worker.unreported += counted;
    if (worker.unreported >= ProgressStep) {
      run.progress.add(worker.unreported);
      worker.unreported = 0;
    }
  }
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
  const std::size_t threadCount =
      std::clamp<std::size_t>(threads, 1, FastOrbitChunks);

  SharedRun run{FastKernelMap(map, grid.size()), starts, hits, settleSteps,
                HitBands(grid), ProgressReport(progress)};
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
}

}  // namespace marl
