#include "animation/frame_plan.h"

#include <algorithm>

#include "attractor/fast_orbits.h"
#include "attractor/run_control.h"
#include "job/recipe.h"

namespace marl {

namespace {

// Exact steps between two shared start points, as a fast still spaces its.
constexpr int64_t StartSpacing = 256;

}  // namespace

std::shared_ptr<const StartPoints> startPointsOf(TorusMap map) {
  auto starts = std::make_shared<StartPoints>();
  for (int64_t i = 0; i <= WarmUpIterations; ++i) map.iterate();
  for (std::size_t k = 0; k < FastOrbitStarts; ++k) {
    for (int64_t i = 0; i < StartSpacing; ++i) map.iterate();
    starts->emplace_back(map.x, map.y);
  }
  return starts;
}

int32_t frameDigits(int32_t frames) {
  int32_t digits = 1;
  for (int32_t last = frames - 1; last >= 10; last /= 10) ++digits;
  return std::max(digits, 4);
}

PicturePlan animationPlan(PicturePlan first, int32_t frames,
                          const std::string& recipeLines) {
  FrameOfAnimation frame;
  frame.digits = frameDigits(frames);
  frame.recipeLines = recipeLines;
  if (first.options.mode == JobSettings::Mode::Fast)
    frame.fastStarts = startPointsOf(first.map);
  first.frame = std::move(frame);
  return first;
}

PicturePlan framePlan(const PicturePlan& animation,
                      const CoefficientPath& path, int32_t index,
                      int32_t frames) {
  PicturePlan plan = animation;
  const Coefficients coefficients = path.at(double(index) / double(frames));
  TorusMap& map = plan.map;
  for (int32_t i = 0; i < map.detail; ++i)
    for (int32_t j = 0; j < map.detail; ++j)
      map.coefficientMatrix[i][j] =
          coefficients[std::size_t(i * map.detail + j)];
  plan.frame->index = index;
  plan.names = makeFrameNames(plan.options.basename, plan.imageNumber,
                              plan.options.format->extension, index,
                              plan.frame->digits);
  plan.recipe = recipeOf(plan);
  return plan;
}

}  // namespace marl
