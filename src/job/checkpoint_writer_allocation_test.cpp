// A checkpoint whose copy, thread or words run out of memory is still
// written once, from the copy or from the grid itself, and leaks nothing.
#include <gtest/gtest.h>

#include <new>
#include <sstream>

#include "job/checkpoint_writer.h"
#include "support/failing_allocation.h"

namespace marl {
namespace {

TEST(CheckpointWriterAllocationTest, EveryFailedAllocationStillWritesOnce) {
  HitGrid grid;
  grid.setSize(16);
  grid.at(1, 2) = 5;
  const int failures = marl_test::failEachAllocation("a checkpoint", false, [&] {
    std::ostringstream diagnostics;
    int writes = 0;
    uint32_t seen = 0;
    try {
      CheckpointWriter writer(diagnostics);
      writer.start(grid, [&](const HitGrid& counts, std::ostream&) {
        ++writes;
        seen = counts.at(1, 2);
        return true;
      });
    } catch (const std::bad_alloc&) {
      ADD_FAILURE() << "a checkpoint out of memory ended the count";
    }
    EXPECT_EQ(writes, 1);
    EXPECT_EQ(seen, 5u);
    return true;
  });
  EXPECT_GE(failures, 2);  // at least the copy and the thread

  // The copy is the first thing a checkpoint allocates: without it, the
  // grid itself is written, and a note says why.
  std::ostringstream diagnostics;
  const HitGrid* written = nullptr;
  {
    CheckpointWriter writer(diagnostics);
    marl_test::failAllocation(0);
    writer.start(grid, [&](const HitGrid& counts, std::ostream&) {
      written = &counts;
      return true;
    });
    EXPECT_TRUE(marl_test::allocationFailed());
    marl_test::failAllocation(-1);
  }
  EXPECT_EQ(written, &grid);
  EXPECT_NE(diagnostics.str().find("marl: note: no memory for a copy of the "
                                   "counts"),
            std::string::npos)
      << diagnostics.str();
  EXPECT_TRUE(marl_test::noLeaks());
}

}  // namespace
}  // namespace marl
