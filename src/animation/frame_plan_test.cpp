#include "animation/frame_plan.h"

#include <atomic>
#include <ctime>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "job/hit_count.h"
#include "job/picture_job.h"
#include "job/recipe.h"
#include "support/given_map.h"

namespace marl {
namespace {

const std::time_t NewYear = 1767225600;

TEST(FrameDigitsTest, AtLeastFourAndEnoughForTheLastIndex) {
  const struct {
    int32_t frames, digits;
  } cases[] = {{2, 4}, {10000, 4}, {10001, 5}, {100000, 5}, {100001, 6},
               {999999, 6}};
  for (const auto& c : cases) EXPECT_EQ(frameDigits(c.frames), c.digits) << c.frames;
}

class FramePlanTest : public ::testing::Test {
 protected:
  // The job's plan for `mode`, exact steps enough for a fill check.
  PicturePlan firstPlan(JobSettings::Mode mode) {
    settings_.iterationMaximum = 1100000;
    settings_.detail = 3;
    settings_.side = 60;
    settings_.mode = mode;
    settings_.basename = "/tmp/marl-frame-plan-unwritten/a";
    RandomSource random;
    std::optional<PreparedPicture> picture =
        preparePicture(settings_, random, NewYear, console_);
    EXPECT_TRUE(picture);
    return picture->plan;
  }
  static Coefficients coefficientsOf(const TorusMap& map) {
    Coefficients c;
    for (int i = 0; i < map.detail; ++i)
      for (int j = 0; j < map.detail; ++j) c.push_back(map.coefficientMatrix[i][j]);
    return c;
  }

  JobSettings settings_;
  QuietConsole console_;
};

// A frame is the job's plan with only its map's coefficients, index, names
// and recipe changed.
TEST_F(FramePlanTest, FrameMovesOnlyTheMapAlongThePath) {
  const PicturePlan first = firstPlan(JobSettings::Mode::Exact);
  const PicturePlan animation = animationPlan(first, 12, "lines\n");
  ASSERT_TRUE(animation.frame);
  EXPECT_EQ(animation.frame->digits, 4);
  EXPECT_EQ(animation.frame->fastStarts, nullptr);  // exact frames need none
  const CoefficientPath path = CoefficientPath::loop(
      coefficientsOf(first.map), 0.05, loopPlane(7, 9));
  for (int32_t index : {0, 5, 11}) {
    SCOPED_TRACE(index);
    const PicturePlan frame = framePlan(animation, path, index, 12);
    EXPECT_EQ(coefficientsOf(frame.map), path.at(index / 12.0));
    EXPECT_EQ(frame.map.x, first.map.x);
    EXPECT_EQ(frame.map.y, first.map.y);
    EXPECT_EQ(frame.map.linearCoefficient, first.map.linearCoefficient);
    EXPECT_EQ(frame.map.offsetX, first.map.offsetX);
    EXPECT_EQ(frame.imageNumber, first.imageNumber);
    EXPECT_EQ(frame.attempt, first.attempt);
    EXPECT_EQ(frame.startColour, first.startColour);
    EXPECT_EQ(frame.frame->index, index);
    const OutputNames names = makeFrameNames(
        settings_.basename, first.imageNumber, "jpg", index, 4);
    EXPECT_EQ(frame.names.fileName, names.fileName);
    EXPECT_EQ(frame.recipe,
              withCheckLine("lines\nframe=" + std::to_string(index) + "\n"));
  }
  // The job's own plan is left as it was.
  EXPECT_EQ(coefficientsOf(animation.map), coefficientsOf(first.map));
}

TEST_F(FramePlanTest, FastFramesShareStartPointsOfTheJobsOrbit) {
  const PicturePlan first = firstPlan(JobSettings::Mode::Fast);
  const PicturePlan animation = animationPlan(first, 3, "");
  ASSERT_NE(animation.frame->fastStarts, nullptr);
  EXPECT_EQ(animation.frame->fastStarts->size(), FastOrbitStarts);
  TorusMap map = first.map;
  for (int i = 0; i < 3001 + 256; ++i) map.iterate();
  EXPECT_EQ(animation.frame->fastStarts->front(), std::make_pair(map.x, map.y));
}

// An exact frame counted from its plan is the picture its map makes when
// given, as a recipe gives it: the same grid and the same steps.
TEST_F(FramePlanTest, ExactFrameIsItsMapGiven) {
  const PicturePlan first = firstPlan(JobSettings::Mode::Exact);
  const CoefficientPath path = CoefficientPath::loop(
      coefficientsOf(first.map), 0.05, loopPlane(3, 9));
  const PicturePlan frame =
      framePlan(animationPlan(first, 4, ""), path, 2, 4);
  std::atomic<int64_t> frameSteps{0}, givenSteps{0};
  std::unique_ptr<HitCount> counted = countHits(frame, console_, &frameSteps);
  ASSERT_NE(counted, nullptr);

  JobSettings given = settings_;
  given.map = marl_test::givenMapOf(frame);
  RandomSource random;
  std::optional<PreparedPicture> replay =
      preparePicture(given, random, NewYear, console_, &givenSteps);
  ASSERT_TRUE(replay);
  ASSERT_TRUE(replay->hits->finish(replay->plan));
  EXPECT_TRUE(marl_test::sameGrid(counted->grid(), replay->hits->grid()));
  EXPECT_EQ(frameSteps, givenSteps);
  EXPECT_GT(counted->grid().maxCount, 0u);
}

}  // namespace
}  // namespace marl
