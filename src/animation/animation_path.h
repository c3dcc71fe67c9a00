#ifndef MARL_ANIMATION_ANIMATION_PATH_H_
#define MARL_ANIMATION_ANIMATION_PATH_H_

#include <cstdint>
#include <optional>
#include <string>

#include "animation/animation_settings.h"
#include "animation/coefficient_path.h"
#include "attractor/torus_map.h"
#include "base/random_source.h"
#include "job/job_console.h"

namespace marl {

// The path an animation's frames follow, and the loop's plane (empty for a
// morph).
struct AnimationPath {
  CoefficientPath path;
  std::optional<uint32_t> plane;
};

// Attempts at a loop's plane before the best one is kept anyway.
constexpr int MaxPlaneDraws = 8;

// The path from `start`, the job's map at its start point, judged by the
// fill check on grids of `side`: a morph through the keyframes, a loop in
// the given plane, or one in the first of up to MaxPlaneDraws planes drawn
// from `random` that passes (the best one otherwise). A path that fails is
// kept with a warning. Throws std::bad_alloc when a grid cannot be had.
AnimationPath chooseAnimationPath(const AnimationSettings& animation,
                                  const TorusMap& start, uint32_t side,
                                  unsigned threads, RandomSource& random,
                                  JobConsole& console);

// The animation's own recipe lines, which follow its first picture's.
std::string animationRecipeLines(const AnimationSettings& animation,
                                 const std::optional<uint32_t>& plane);

}  // namespace marl

#endif  // MARL_ANIMATION_ANIMATION_PATH_H_
