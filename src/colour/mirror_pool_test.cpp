#include "colour/mirror_pool.h"

#include <cstdint>
#include <random>

#include <gtest/gtest.h>

namespace marl {
namespace {

TEST(MirrorPoolTest, EveryCellHoldsItsImagesHitsOnEvenAndOddSides) {
  for (const uint32_t n : {40u, 41u}) {
    HitGrid grid;
    grid.setSize(n);
    std::mt19937 random(n);
    std::uniform_int_distribution<uint32_t> cell(0, n - 1);
    uint64_t hits = 0;
    for (int i = 0; i < 500; ++i) {
      grid.at(cell(random), cell(random)) += 3;
      hits += 3;
    }
    const HitGrid before = grid;
    poolMirrorImages(grid);
    EXPECT_EQ(grid.countsPerHit, 8u);
    uint64_t total = 0;
    for (uint32_t r = 0; r < n; ++r) {
      for (uint32_t c = 0; c < n; ++c) {
        const uint32_t m = n - 1 - c, mr = n - 1 - r;
        const uint64_t images =
            uint64_t(before.at(r, c)) + before.at(mr, c) + before.at(r, m) +
            before.at(mr, m) + before.at(c, r) + before.at(m, r) +
            before.at(c, mr) + before.at(m, mr);
        ASSERT_EQ(grid.at(r, c), images) << n << ": " << r << "," << c;
        total += grid.at(r, c);
      }
    }
    EXPECT_EQ(total, 8 * hits);
  }
}

TEST(MirrorPoolTest, ASymmetricGridOnlyChangesItsUnit) {
  HitGrid grid;
  grid.setSize(41);
  grid.at(20, 20) = 5;  // the centre is its own image
  grid.at(0, 0) = grid.at(0, 40) = grid.at(40, 0) = grid.at(40, 40) = 2;
  poolMirrorImages(grid);
  EXPECT_EQ(grid.at(20, 20), 40u);
  EXPECT_EQ(grid.at(40, 0), 16u);
  EXPECT_EQ(grid.maxCount, 40u);
}

}  // namespace
}  // namespace marl
