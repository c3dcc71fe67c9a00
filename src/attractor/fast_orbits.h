#ifndef MARL_ATTRACTOR_FAST_ORBITS_H_
#define MARL_ATTRACTOR_FAST_ORBITS_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "attractor/hit_grid.h"
#include "attractor/torus_map.h"

namespace marl {

// The work of a fast run is cut into FastOrbitChunks chunks of
// FastOrbitsPerChunk orbits each, whatever the thread count: chunk k steps
// the orbits started at starts[k * FastOrbitsPerChunk ...] and counts
// hits / FastOrbitChunks hits (one more for the first hits % FastOrbitChunks
// chunks), so the grid is the same for any number of threads.
constexpr std::size_t FastOrbitsPerChunk = 16;
constexpr std::size_t FastOrbitChunks = 64;
// Start points a fast run needs: 1024.
constexpr std::size_t FastOrbitStarts = FastOrbitsPerChunk * FastOrbitChunks;

// Uncounted steps that bring start points on the attractor of one map onto
// that of a nearby map (see runFastOrbits' settleSteps).
constexpr uint64_t FastSettleSteps = 512;

// Told the number of hits counted so far. Calls come from the worker
// threads (the caller's among them), one at a time, in increasing order,
// about every million hits per thread; the last one reports the whole
// number. It must not throw.
using FastOrbitProgress = std::function<void(uint64_t hitsDone)>;

// Adds exactly `hits` counted points of `map` to `grid` (a sized grid; its
// counts so far are kept), from FastOrbitStarts independent orbits, orbit i
// starting at starts[i] with no warm-up of its own. The starts should be
// points of an orbit already on the attractor, e.g. of the exact orbit after
// its warm-up, best some hundred steps apart, since neighbouring points of
// one orbit stay close for a few dozen steps; extra ones are ignored.
//
// The orbits run on SIMD lanes (steps like TorusMap::iterate, not
// bit-identical to it) on `threads` threads (0 counts as 1). The grid is
// byte-identical for any thread count, on a given build and processor.
// grid.maxCount is raised as the exact loop raises it: to the largest count
// these hits made, margin included. Memory beyond the grid: per thread one
// buffer of at most 4 MiB (about 100 kB at side 1201).
//
// With `settleSteps`, every orbit first takes that many steps uncounted:
// enough to bring starts on the attractor of a nearby map onto this map's.
//
// Throws std::invalid_argument when starts are too few, and std::bad_alloc
// when the buffers cannot be had, both before counting anything.
void runFastOrbits(const TorusMap& map,
                   const std::vector<std::pair<double, double>>& starts,
                   uint64_t hits, HitGrid& grid, unsigned threads,
                   const FastOrbitProgress& progress = nullptr,
                   uint64_t settleSteps = 0);

// Where the orbits of a fast run stand once `hits` hits are counted: chunk
// k has counted chunkHits(hits, k) of them (see above), and each of its
// orbits stands after the steps of that chunk's whole rounds, the orbits a
// last, partial round counted not yet moved. That is all a run needs to go
// on: since a chunk's share never falls as the total grows, counting on to
// a larger total gives the grid a single run to that total gives.
struct FastOrbitState {
  std::vector<std::pair<double, double>> points;  // FastOrbitStarts
  uint64_t hits = 0;
};

// Hits chunk `chunk` counts of a run of `hits` hits.
uint64_t fastChunkHits(uint64_t hits, std::size_t chunk);

// Counts on from `state` until `hits` hits in all are counted (nothing when
// it holds as many), leaving `state` there; otherwise as runFastOrbits
// (progress tells the hits of this call). Throws std::invalid_argument when
// its points are not FastOrbitStarts.
void continueFastOrbits(const TorusMap& map, FastOrbitState& state,
                        uint64_t hits, HitGrid& grid, unsigned threads,
                        const FastOrbitProgress& progress = nullptr);

}  // namespace marl

#endif  // MARL_ATTRACTOR_FAST_ORBITS_H_
