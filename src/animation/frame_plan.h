#ifndef MARL_ANIMATION_FRAME_PLAN_H_
#define MARL_ANIMATION_FRAME_PLAN_H_

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "animation/coefficient_path.h"
#include "attractor/torus_map.h"
#include "job/picture_plan.h"

namespace marl {

using StartPoints = std::vector<std::pair<double, double>>;

// FastOrbitStarts points of the exact orbit of `map` from its point, after
// the warm-up: every fast frame starts from these, settled onto its map.
std::shared_ptr<const StartPoints> startPointsOf(TorusMap map);

// Digits of the frame index in file names: at least 4, and as many as the
// last index of `frames` needs.
int32_t frameDigits(int32_t frames);

// The animation's first picture made the plan every frame starts from:
// `recipeLines` are the picture's and the animation's, and a fast animation
// gets its shared start points.
PicturePlan animationPlan(PicturePlan first, int32_t frames,
                          const std::string& recipeLines);

// Frame `index` of `frames`: the animation's plan with its map moved to the
// path's point for the frame, and the frame's index, names and recipe.
PicturePlan framePlan(const PicturePlan& animation,
                      const CoefficientPath& path, int32_t index,
                      int32_t frames);

}  // namespace marl

#endif  // MARL_ANIMATION_FRAME_PLAN_H_
