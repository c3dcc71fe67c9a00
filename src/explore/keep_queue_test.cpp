#include "explore/keep_queue.h"

#include <gtest/gtest.h>

namespace marl {
namespace {

TEST(KeepQueue, ProgressFollowsTheConsoleLines) {
  struct Step {
    const char* line;
    double progress;
  };
  // A still's lines, then an animation's.
  const Step steps[] = {
      {"Start color = Red 1 Green 2 Blue 3", 0.0},
      {"itcnt = 1000000", 0.0},  // before the run's length is known
      {"Will run to 200000000", 0.0},
      {"itcnt = 1000000", 0.005},
      {"fillval = 0.5", 0.005},
      {"itcnt = 100000000", 0.5},
      {"itcnt = 10000000", 0.5},  // never back
      {"frame 2 of 10: a.jpg", 0.5},
      {"frame 7 of 10: a.jpg", 0.8},
      {"frame of nothing", 0.8},
  };
  double progress = 0.0;
  int64_t runTo = 0;
  for (const Step& step : steps) {
    progress = progressFrom(step.line, progress, runTo);
    EXPECT_DOUBLE_EQ(progress, step.progress) << step.line;
  }
}

}  // namespace
}  // namespace marl
