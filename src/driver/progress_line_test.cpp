#include "driver/progress_line.h"

#include <gtest/gtest.h>

namespace marl {
namespace {

TEST(ProgressLineTest, TextShowsPicturesRateAndTimeLeft) {
  EXPECT_EQ(progressText(0, 4, 0, 0), "0 of 4 pictures done, measuring speed");
  EXPECT_EQ(progressText(1, 4, 5.04e6, 65.4),
            "1 of 4 pictures done, 5.0 M steps/s, about 1:05 left");
  EXPECT_EQ(progressText(3, 9, 812345, 3725),
            "3 of 9 pictures done, 812345 steps/s, about 1:02:05 left");
  // Two pictures of 9e18 steps at ten million a second, and a time beyond
  // what a long holds.
  EXPECT_EQ(progressText(0, 2, 1e7, 1.8e12),
            "0 of 2 pictures done, 10.0 M steps/s, about 500000000:00:00 left");
  EXPECT_EQ(progressText(0, 2, 1, 1e300),
            "0 of 2 pictures done, 1 steps/s, about 277777777777:46:40 left");
  EXPECT_EQ(progressText(7, 120, 3.2e7, 90, "frames"),
            "7 of 120 frames done, 32.0 M steps/s, about 1:30 left");
}

}  // namespace
}  // namespace marl
