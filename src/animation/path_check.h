#ifndef MARL_ANIMATION_PATH_CHECK_H_
#define MARL_ANIMATION_PATH_CHECK_H_

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "animation/coefficient_path.h"
#include "attractor/hit_grid.h"
#include "attractor/torus_map.h"
#include "job/job_settings.h"

namespace marl {

// Points a path is judged at: at least this many, the same number on each
// stretch.
constexpr int32_t LeastPathSamples = 24;

// How a path fares at the fill check.
struct PathVerdict {
  bool passes = true;
  double lowestFill = 1.0;  // the lowest share of the grid a sample filled
  double lowestAt = 0.0;    // where on the path (t) that sample lies
};

using StartPoints = std::vector<std::pair<double, double>>;

// Judges points of coefficient paths by the fill check: the share of the
// picture's grid that the hits of the first FillCheckInterval steps of the
// point's map visit. Fast mode counts those hits from `starts`, settled
// onto each map, on `threads` cores; exact mode runs the one exact orbit
// from the start point of `base`, as a frame does.
class PathJudge {
 public:
  // Allocates a grid of `side`; throws std::bad_alloc when it cannot.
  PathJudge(const TorusMap& base, uint32_t side, JobSettings::Mode mode,
            std::shared_ptr<const StartPoints> starts, unsigned threads);

  // The share of the grid the map with `coefficients` fills.
  double fillOf(const Coefficients& coefficients);
  // Every one of the path's samples, t = j / samples, j = 0..samples - 1,
  // with samples the least multiple of its stretches from LeastPathSamples.
  PathVerdict judge(const CoefficientPath& path);

 private:
  TorusMap map_;
  HitGrid grid_;
  const JobSettings::Mode mode_;
  const std::shared_ptr<const StartPoints> starts_;
  const unsigned threads_;
  const double startX_;
  const double startY_;
};

}  // namespace marl

#endif  // MARL_ANIMATION_PATH_CHECK_H_
