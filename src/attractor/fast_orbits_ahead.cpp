#include "attractor/fast_orbits_ahead.h"

#include <stdexcept>

#include "attractor/fast_orbit_workers.h"

namespace marl {

bool FastOrbitsAhead::fits(const HitGrid& grid, uint64_t hits,
                           unsigned threads) {
  return threads > 1 && ownGridsFit(grid, hits);
}

FastOrbitsAhead::FastOrbitsAhead(const TorusMap& map, HitGrid& grid,
                                 uint64_t hits, unsigned threads)
    : state_{std::vector<std::pair<double, double>>(FastOrbitStarts), 0} {
  if (!fits(grid, hits, threads))
    throw std::invalid_argument("fast orbits cannot count ahead on this grid");
  run_ = std::make_unique<FastRunShared>(map, grid, state_, hits, 0, nullptr,
                                         false);
  workers_ = makeWorkers(*run_, threads);
  helpers_ = startHelpers(*run_, workers_);
}

FastOrbitsAhead::~FastOrbitsAhead() {
  if (run_) run_->cancel();
  stop();
}

void FastOrbitsAhead::stop() {
  for (std::thread& helper : helpers_) helper.join();
  helpers_.clear();
}

void FastOrbitsAhead::addStart(double x, double y) {
  if (starts_ >= FastOrbitStarts)
    throw std::logic_error("fast orbits given too many start points");
  run_->publishStart(x, y);
  ++starts_;
}

FastOrbitState FastOrbitsAhead::finish(const FastOrbitProgress& progress) {
  if (starts_ != FastOrbitStarts)
    throw std::logic_error("fast orbits finished before all their starts");
  run_->progress.release(progress);
  workOnChunks(*run_, *workers_[0]);
  stop();
  addOwnGrids(*run_, workers_);
  state_.hits = run_->toHits;
  run_.reset();
  workers_.clear();
  return std::move(state_);
}

}  // namespace marl
