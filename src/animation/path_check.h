#ifndef MARL_ANIMATION_PATH_CHECK_H_
#define MARL_ANIMATION_PATH_CHECK_H_

#include <cstdint>

#include "animation/coefficient_path.h"
#include "attractor/torus_map.h"

namespace marl {

// Points a path is judged at: at least this many, the same number on each
// stretch.
constexpr int32_t LeastPathSamples = 24;

// How a path fares at the fill check.
struct PathVerdict {
  bool passes = true;
  // The lowest share of the grid a sample filled, and where on the path (t)
  // it lies. Exact when the path fails; a sample that passes stops counting
  // once it is past the threshold.
  double lowestFill = 1.0;
  double lowestAt = 0.0;
};

// Judges a path by the fill check at t = j / samples, j = 0..samples - 1,
// with samples the least multiple of its stretches from LeastPathSamples:
// the exact orbit of each point's map, from the start point of `start`
// (whose other values the points share), must visit FillThreshold of a grid
// of `side` within FillCheckInterval steps, counted as a picture counts
// them. Samples run on up to `threads` threads; the verdict does not depend
// on how many. Throws std::bad_alloc when a grid cannot be had.
PathVerdict judgePath(const CoefficientPath& path, const TorusMap& start,
                      uint32_t side, unsigned threads);

}  // namespace marl

#endif  // MARL_ANIMATION_PATH_CHECK_H_
