#include "attractor/hit_grid.h"

#include <gtest/gtest.h>

namespace marl {
namespace {

TEST(HitGrid, NewGridHasAMarginAndIsEmpty) {
  HitGrid grid;
  grid.setSize(40);
  EXPECT_EQ(grid.size(), 40u);
  EXPECT_EQ(grid.stride(), 50u);
  EXPECT_EQ(grid.filledFraction(), 0.0);
  for (uint32_t r = 0; r < 50; ++r)
    for (uint32_t c = 0; c < 50; ++c) ASSERT_EQ(grid.at(r, c), 0u);
}

TEST(HitGrid, MarginHitsAreNeitherFilledNorCleared) {
  HitGrid grid;
  grid.setSize(4);
  grid.at(4, 1) = 9;  // row `size`: a coordinate of exactly 1.0
  grid.at(0, 4) = 9;
  grid.at(3, 3) = 2;
  grid.maxCount = 9;
  EXPECT_EQ(grid.filledFraction(), 1.0 / 16);
  grid.clearHits();
  EXPECT_EQ(grid.at(3, 3), 0u);
  EXPECT_EQ(grid.at(4, 1), 9u);
  EXPECT_EQ(grid.at(0, 4), 9u);
  EXPECT_EQ(grid.maxCount, 0u);
  EXPECT_EQ(grid.filledFraction(), 0.0);
}

TEST(HitGrid, SideOfOneIsOneCell) {
  HitGrid grid;
  grid.setSize(1);
  grid.at(0, 0) = 1;
  EXPECT_EQ(grid.filledFraction(), 1.0);
}

TEST(HitGrid, SetSizeReplacesTheGridWhole) {
  HitGrid grid;
  grid.setSize(10);
  grid.at(12, 12) = 5;
  grid.maxCount = 5;
  grid.setSize(20);
  EXPECT_EQ(grid.at(12, 12), 0u);
  EXPECT_EQ(grid.maxCount, 0u);
}

TEST(HitGrid, ACopyHoldsEveryCellAndUnitAndStaysApart) {
  HitGrid grid;
  grid.setSize(6);
  grid.at(6, 2) = 4;  // margin
  grid.at(15, 15) = 3;  // the margin's last cell
  grid.at(2, 5) = 8;
  grid.maxCount = 8;
  grid.countsPerHit = 16;
  HitGrid copy;
  copy.setSize(30);
  copy.copyOf(grid);
  ASSERT_EQ(copy.size(), 6u);
  for (uint32_t r = 0; r < grid.stride(); ++r)
    for (uint32_t c = 0; c < grid.stride(); ++c)
      ASSERT_EQ(copy.at(r, c), grid.at(r, c)) << r << ' ' << c;
  EXPECT_EQ(copy.maxCount, 8u);
  EXPECT_EQ(copy.countsPerHit, 16u);
  grid.at(2, 5) = 9;
  EXPECT_EQ(copy.at(2, 5), 8u);
}

TEST(HitGrid, CountRangeScanRaisesMax) {
  HitGrid grid;
  grid.setSize(3);
  grid.at(1, 2) = 7;
  grid.at(3, 0) = 50;  // margin: not scanned
  grid.refreshCountRange();
  EXPECT_EQ(grid.maxCount, 7u);
  grid.maxCount = 60;  // the run loop may have raised it from the margin
  grid.refreshCountRange();
  EXPECT_EQ(grid.maxCount, 60u);
}

TEST(HitGrid, LargeSidesAreJudgedOnCoarseBlocks) {
  HitGrid grid;
  grid.setSize(HitGrid::FillCheckMaxSide);
  grid.at(0, 0) = 1;
  const double side = HitGrid::FillCheckMaxSide;
  EXPECT_EQ(grid.filledFraction(), 1.0 / (side * side));

  // One above the limit: blocks of 2 x 2, 1001 blocks a side.
  grid.setSize(HitGrid::FillCheckMaxSide + 1);
  grid.at(0, 0) = 1;
  grid.at(1, 1) = 1;  // same block
  grid.at(2000, 2000) = 1;  // the last, partial block
  EXPECT_EQ(grid.filledFraction(), 2.0 / (1001.0 * 1001.0));

  // A grid with every other row and column hit fills all blocks.
  grid.clearHits();
  for (uint32_t r = 0; r < grid.size(); r += 2)
    for (uint32_t c = 0; c < grid.size(); c += 2) grid.at(r, c) = 1;
  EXPECT_EQ(grid.filledFraction(), 1.0);
}

}  // namespace
}  // namespace marl
