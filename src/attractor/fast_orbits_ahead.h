#ifndef MARL_ATTRACTOR_FAST_ORBITS_AHEAD_H_
#define MARL_ATTRACTOR_FAST_ORBITS_AHEAD_H_

#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "attractor/fast_orbits.h"
#include "attractor/hit_grid.h"
#include "attractor/torus_map.h"

namespace marl {

struct FastRunShared;
struct FastWorker;

// A fast run whose start points come one by one, while the exact orbit
// that yields them is still counting (and may yet be thrown away by its
// fill check): each chunk of orbits starts on other threads as soon as its
// points are in, so that the single-threaded exact steps and the fast
// orbits overlap. The orbits count into grids of their own, added to the
// grid only by finish, after the exact orbit is done with it; the grid is
// the one runFastOrbits gives from the same starts, whatever the timing.
class FastOrbitsAhead {
 public:
  // Whether a run of `hits` hits on `threads` threads can count ahead on
  // `grid`: a thread to spare, and a grid small enough for each thread's
  // own copy.
  static bool fits(const HitGrid& grid, uint64_t hits, unsigned threads);

  // Begins a run of `hits` hits of `map` on threads - 1 threads of its own
  // (the caller's joins in finish). Throws std::bad_alloc when the memory
  // cannot be had, before any thread starts.
  FastOrbitsAhead(const TorusMap& map, HitGrid& grid, uint64_t hits,
                  unsigned threads);
  // Stops the threads (throwing away their counts) unless finish ran.
  ~FastOrbitsAhead();
  FastOrbitsAhead(const FastOrbitsAhead&) = delete;
  FastOrbitsAhead& operator=(const FastOrbitsAhead&) = delete;

  // The next of the FastOrbitStarts start points.
  void addStart(double x, double y);
  // Once every start is in: counts the rest on this thread too, adds all
  // hits to the grid (raising maxCount as runFastOrbits does) and returns
  // where the orbits stand. `progress` is first told the hits counted so
  // far, then as runFastOrbits tells it.
  FastOrbitState finish(const FastOrbitProgress& progress);

 private:
  void stop();

  FastOrbitState state_;
  std::unique_ptr<FastRunShared> run_;
  std::vector<std::unique_ptr<FastWorker>> workers_;
  std::vector<std::thread> helpers_;
  std::size_t starts_ = 0;
};

}  // namespace marl

#endif  // MARL_ATTRACTOR_FAST_ORBITS_AHEAD_H_
