#include "job/checkpoint_writer.h"

#include <atomic>
#include <future>
#include <sstream>

#include <gtest/gtest.h>

namespace marl {
namespace {

HitGrid gridOf(uint32_t side, uint32_t count) {
  HitGrid grid;
  grid.setSize(side);
  grid.at(1, 2) = count;
  grid.at(side, 0) = 1;  // margin
  grid.maxCount = count;
  return grid;
}

// The write sees the counts as they stood when it started, while the grid
// goes on counting; one write at a time; none outlives the writer.
TEST(CheckpointWriter, WritesTheCountsAsTheyStoodWhileTheGridGoesOn) {
  std::ostringstream diagnostics;
  HitGrid grid = gridOf(8, 5);
  std::promise<void> counted;
  std::shared_future<void> goOn = counted.get_future().share();
  std::atomic<int> writes{0};
  uint32_t seen = 0, seenMargin = 0, seenMax = 0;
  {
    CheckpointWriter writer(diagnostics);
    ASSERT_TRUE(writer.idle());
    writer.start(grid, [&](const HitGrid& copy, std::ostream& err) {
      goOn.wait();
      seen = copy.at(1, 2);
      seenMargin = copy.at(8, 0);
      seenMax = copy.maxCount;
      err << "marl: note: written\n";
      ++writes;
      return true;
    });
    grid.at(1, 2) = 6;
    grid.maxCount = 6;
    EXPECT_FALSE(writer.idle());
    writer.start(grid, [&](const HitGrid&, std::ostream&) {
      ++writes;
      return true;
    });
    counted.set_value();
  }
  EXPECT_EQ(writes, 1);
  EXPECT_EQ(seen, 5u);
  EXPECT_EQ(seenMargin, 1u);
  EXPECT_EQ(seenMax, 5u);
  EXPECT_EQ(diagnostics.str(), "marl: note: written\n");
}

TEST(CheckpointWriter, AFailedWriteIsAWarningAndTheNextOneIsMade) {
  std::ostringstream diagnostics;
  const HitGrid grid = gridOf(4, 3);
  CheckpointWriter writer(diagnostics);
  writer.start(grid, [](const HitGrid&, std::ostream& err) {
    err << "marl: warning: 'a.tif' exists; wrote 'a-2.tif' instead\n"
        << "marl: error: cannot write 'a-2.tif': No space left on device\n";
    return false;
  });
  writer.wait();
  EXPECT_EQ(diagnostics.str(),
            "marl: warning: 'a.tif' exists; wrote 'a-2.tif' instead\n"
            "marl: warning: cannot write 'a-2.tif': No space left on device; "
            "counting goes on, and the next checkpoint tries again\n");
  diagnostics.str("");
  writer.start(grid, [](const HitGrid&, std::ostream&) -> bool {
    throw std::bad_alloc();
  });
  writer.wait();
  EXPECT_EQ(diagnostics.str().rfind("marl: warning: cannot write the "
                                    "checkpoint: ", 0),
            0u)
      << diagnostics.str();
  bool again = false;
  writer.start(grid, [&](const HitGrid& copy, std::ostream&) {
    again = copy.at(1, 2) == 3;
    return true;
  });
  writer.wait();
  EXPECT_TRUE(again);
}

// Where the copy may not be made, every checkpoint is written from the grid
// itself before start() returns, and the note why comes once.
TEST(CheckpointWriter, WithoutRoomForACopyTheGridItselfIsWrittenAtOnce) {
  std::ostringstream diagnostics;
  HitGrid grid = gridOf(6, 2);
  CheckpointWriter writer(diagnostics);
  writer.prepare(6, false);
  int writes = 0;
  for (uint32_t count : {2u, 9u}) {
    grid.at(1, 2) = count;
    writer.start(grid, [&](const HitGrid& counts, std::ostream& err) {
      EXPECT_EQ(&counts, &grid);
      EXPECT_EQ(counts.at(1, 2), count);
      err << "marl: note: written\n";
      ++writes;
      return true;
    });
    EXPECT_EQ(writes, count == 2u ? 1 : 2);
    EXPECT_TRUE(writer.idle());
  }
  EXPECT_EQ(diagnostics.str(),
            "marl: note: the memory marl may use has no room for a copy of "
            "the counts to write beside the orbit; checkpoints are written "
            "while it waits\n"
            "marl: note: written\n"
            "marl: note: written\n");
}

}  // namespace
}  // namespace marl
