#include "animation/coefficient_path.h"

#include <cmath>

#include <gtest/gtest.h>

namespace marl {
namespace {

double distance(const Coefficients& a, const Coefficients& b) {
  double sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i) sum += (a[i] - b[i]) * (a[i] - b[i]);
  return std::sqrt(sum);
}

double dot(const Coefficients& a, const Coefficients& b) {
  double sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i) sum += a[i] * b[i];
  return sum;
}

const Coefficients Start = {0.3, -0.1, 0.2, 0.05, -0.35, 0.12, 0.0, 0.25, -0.2};

TEST(CoefficientPathTest, PlaneIsOrthonormalAndFixedByItsNumber) {
  const LoopPlane plane = loopPlane(12345, 36);
  ASSERT_EQ(plane.u.size(), 36u);
  EXPECT_NEAR(dot(plane.u, plane.u), 1.0, 1e-12);
  EXPECT_NEAR(dot(plane.v, plane.v), 1.0, 1e-12);
  EXPECT_NEAR(dot(plane.u, plane.v), 0.0, 1e-12);
  EXPECT_EQ(loopPlane(12345, 36).v, plane.v);
  EXPECT_NE(loopPlane(12346, 36).u, plane.u);
}

// The circle starts exactly at the job's map, keeps its radius about its
// centre and closes on itself.
TEST(CoefficientPathTest, LoopIsACircleThroughTheStart) {
  const LoopPlane plane = loopPlane(7, Start.size());
  const CoefficientPath path = CoefficientPath::loop(Start, 0.05, plane);
  EXPECT_EQ(path.at(0.0), Start);
  const double radius = 0.05 * std::sqrt(dot(Start, Start));
  Coefficients centre = Start;
  for (std::size_t i = 0; i < centre.size(); ++i) centre[i] -= radius * plane.u[i];
  for (double t : {0.1, 0.25, 0.5, 0.93})
    EXPECT_NEAR(distance(path.at(t), centre), radius, 1e-12) << t;
  EXPECT_NEAR(distance(path.at(0.5), Start), 2 * radius, 1e-12);
  EXPECT_LT(distance(path.at(1.0), Start), 1e-12);
  EXPECT_EQ(path.stretches(), 1);
  EXPECT_EQ(path.stretchAt(0.7), 0);
}

// Each keyframe is met exactly in turn, the stretches join without a jump,
// and the last stretch leads back to the first keyframe.
TEST(CoefficientPathTest, MorphMeetsEveryKeyframeAndCloses) {
  Coefficients second = Start, third = Start;
  for (double& x : second) x += 0.1;
  for (double& x : third) x *= -0.5;
  const CoefficientPath path = CoefficientPath::morph({Start, second, third});
  EXPECT_EQ(path.stretches(), 3);
  EXPECT_EQ(path.at(0.0), Start);
  EXPECT_EQ(path.at(1.0 / 3), second);
  EXPECT_LT(distance(path.at(2.0 / 3), third), 1e-15);
  EXPECT_LT(distance(path.at(1.0), Start), 1e-15);
  for (double joint : {1.0 / 3, 2.0 / 3, 1.0}) {
    EXPECT_LT(distance(path.at(joint - 1e-9), path.at(joint)), 1e-8) << joint;
  }
  EXPECT_EQ(path.stretchAt(0.2), 0);
  EXPECT_EQ(path.stretchAt(0.5), 1);
  EXPECT_EQ(path.stretchAt(0.99), 2);
}

}  // namespace
}  // namespace marl
