#include "job/hit_count.h"

#include <atomic>
#include <ctime>
#include <optional>

#include <gtest/gtest.h>

#include "job/picture_job.h"
#include "support/given_map.h"

namespace marl {
namespace {

// How a picture is counted: each case is drawn, then recounted from its
// plan alone.
struct Counting {
  const char* name;
  JobSettings::Mode mode;
  int64_t iterationMaximum;
  unsigned threads;
};

const Counting Countings[] = {
    {"exact", JobSettings::Mode::Exact, 1100000, 1},
    // Past the exact prefix, the start points and the least fast stretch.
    {"fast on one thread", JobSettings::Mode::Fast, 3400000, 1},
    {"fast on two threads", JobSettings::Mode::Fast, 3400000, 2},
};

// The plan alone makes the picture again: its map, recounted from its start
// point with no fill check (as a replay and a frame are), gives the grid
// the job that drew it counted through its fill check, restarts included;
// in fast mode too, whose orbits start after the same exact prefix.
TEST(PlanHitsTest, PlanRecountsTheDrawnPicture) {
  for (const Counting& c : Countings) {
    SCOPED_TRACE(c.name);
    JobSettings s;
    s.iterationMaximum = c.iterationMaximum;
    s.mode = c.mode;
    s.threads = c.threads;
    s.detail = 4;
    s.side = 1201;
    bool restarted = false, firstKept = false;
    // Second 6 keeps its first map and second 7 its second; later seconds
    // are tried should the draws change.
    for (int second = 6; second < 60 && !(restarted && firstKept); ++second) {
      QuietConsole console;
      RandomSource random;
      std::atomic<int64_t> drawnSteps{0}, recountSteps{0};
      std::optional<PreparedPicture> drawn = preparePicture(
          s, random, std::time_t(1767225600 + second), console, &drawnSteps);
      ASSERT_TRUE(drawn);
      ASSERT_TRUE(drawn->hits->finish(drawn->plan));
      (drawn->plan.attempt > 1 ? restarted : firstKept) = true;
      std::unique_ptr<HitCount> recount =
          countHits(drawn->plan, console, &recountSteps);
      ASSERT_NE(recount, nullptr);
      EXPECT_TRUE(marl_test::sameGrid(recount->grid(), drawn->hits->grid()))
          << "attempt " << drawn->plan.attempt;
      EXPECT_EQ(recountSteps,
                s.iterationMaximum - (drawn->plan.attempt > 1 ? 1 : 0));
      EXPECT_EQ(console.takeDiagnostics(), "");
    }
    EXPECT_TRUE(restarted);
    EXPECT_TRUE(firstKept);
  }
}

}  // namespace
}  // namespace marl
