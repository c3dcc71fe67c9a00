#ifndef MARL_TESTS_SUPPORT_GIVEN_MAP_H_
#define MARL_TESTS_SUPPORT_GIVEN_MAP_H_

#include <cstdint>

#include "job/job_settings.h"
#include "job/picture_plan.h"

namespace marl_test {

// A plan's map as its recipe gives it back to a later run.
inline marl::GivenMap givenMapOf(const marl::PicturePlan& plan) {
  marl::GivenMap given;
  given.linearCoefficient = int32_t(plan.map.linearCoefficient);
  given.offset = plan.map.offsetX;
  given.startX = plan.map.x;
  given.startY = plan.map.y;
  given.imageNumber = plan.imageNumber;
  given.attempt = plan.attempt;
  for (int i = 0; i < plan.map.detail; ++i)
    for (int j = 0; j < plan.map.detail; ++j)
      given.coefficients.push_back(plan.map.coefficientMatrix[i][j]);
  return given;
}

// Whether two grids hold the same counts, margin included, and range.
inline bool sameGrid(const marl::HitGrid& a, const marl::HitGrid& b) {
  if (a.size() != b.size() || a.maxCount != b.maxCount) return false;
  for (uint32_t r = 0; r < a.size() + marl::HitGrid::GridMargin; ++r)
    for (uint32_t c = 0; c < a.stride(); ++c)
      if (a.at(r, c) != b.at(r, c)) return false;
  return true;
}

}  // namespace marl_test

#endif  // MARL_TESTS_SUPPORT_GIVEN_MAP_H_
