#include "colour/density_filter.h"

#include <cstdint>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "colour/tone_map.h"

namespace marl {
namespace {

constexpr DensityFilter Default{3.0, 0.5};

uint64_t total(const HitGrid& grid) {
  uint64_t sum = 0;
  for (uint32_t y = 0; y < grid.size(); ++y)
    for (uint32_t x = 0; x < grid.size(); ++x) sum += grid.at(y, x);
  return sum;
}

// A grid like a frame's: most cells empty or sparse, a few dense.
void scatter(HitGrid& grid, uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<uint32_t> cell(0, grid.size() - 1);
  for (int i = 0; i < 3000; ++i) grid.at(cell(random), cell(random)) += 1;
  for (int i = 0; i < 40; ++i) grid.at(cell(random), cell(random)) += 500;
}

TEST(DensityFilterTest, ALoneHitSpreadsAndKeepsItsWeight) {
  // One cell in the middle and one in the corner, whose hit reaches round
  // the torus to the opposite edges.
  for (const auto& [y, x] : {std::pair{20u, 20u}, std::pair{0u, 0u}}) {
    HitGrid grid;
    grid.setSize(40);
    grid.at(y, x) = 1;
    estimateDensity(grid, Default, 1);
    const uint32_t unit = grid.countsPerHit;
    EXPECT_EQ(unit, 4096u);
    EXPECT_EQ(total(grid), unit);
    EXPECT_LT(grid.at(y, x), unit / 4);
    const uint32_t before = (y + 39) % 40, after = (x + 39) % 40;
    EXPECT_GT(grid.at(before, x), 0u);
    EXPECT_GT(grid.at(y, after), 0u);
    EXPECT_GT(grid.at((y + 2) % 40, (x + 2) % 40), 0u);
    EXPECT_EQ(grid.at((y + 5) % 40, x), 0u) << "beyond the radius";
    // Symmetric across the cell, whichever side the torus edge is on.
    EXPECT_EQ(grid.at(before, x), grid.at((y + 1) % 40, x));
    EXPECT_EQ(grid.at(y, after), grid.at(before, x));
    EXPECT_EQ(grid.maxCount, grid.at(y, x));
  }
}

TEST(DensityFilterTest, ADenseBlockStaysSharpAndSparseCellsBesideItSpread) {
  HitGrid grid;
  grid.setSize(60);
  for (uint32_t y = 10; y < 20; ++y)
    for (uint32_t x = 10; x < 12; ++x) grid.at(y, x) = 1000;
  grid.at(40, 40) = 2;
  estimateDensity(grid, Default, 2);
  const uint32_t unit = grid.countsPerHit;
  for (uint32_t y = 10; y < 20; ++y) {
    EXPECT_EQ(grid.at(y, 9), 0u);
    EXPECT_EQ(grid.at(y, 10), 1000u * unit);
    EXPECT_EQ(grid.at(y, 11), 1000u * unit);
    EXPECT_EQ(grid.at(y, 12), 0u);
  }
  EXPECT_LT(grid.at(40, 40), 2u * unit);
  EXPECT_GT(grid.at(41, 41), 0u);
  EXPECT_EQ(total(grid), (20000u + 2u) * uint64_t(unit));
}

TEST(DensityFilterTest, BandsAndThreadsGiveTheWholeGridsEstimate) {
  HitGrid whole;
  whole.setSize(97);
  scatter(whole, 7);
  const uint64_t hits = total(whole);
  HitGrid banded = whole;
  estimateDensity(whole, Default, 1, 97);
  EXPECT_EQ(total(whole), hits * whole.countsPerHit);
  // Bands narrower than the reach, wider, and the default, on 1 to 3
  // threads: the same counts in every cell.
  for (const auto& [rows, threads] :
       {std::pair{2u, 3u}, std::pair{7u, 2u}, std::pair{50u, 1u},
        std::pair{0u, 2u}}) {
    HitGrid grid = banded;
    estimateDensity(grid, Default, threads, rows);
    ASSERT_EQ(grid.countsPerHit, whole.countsPerHit);
    for (uint32_t y = 0; y < 97; ++y)
      for (uint32_t x = 0; x < 97; ++x)
        ASSERT_EQ(grid.at(y, x), whole.at(y, x))
            << "rows " << rows << " at " << y << "," << x;
  }
}

TEST(DensityFilterTest, SettingsThatSpreadNothingOnlyChangeTheUnit) {
  HitGrid grid;
  grid.setSize(50);
  scatter(grid, 3);
  const HitGrid before = grid;
  // Radius 0.5 and below spreads nothing; curve 0 spreads every count.
  estimateDensity(grid, DensityFilter{0.5, 0.0}, 2);
  for (uint32_t y = 0; y < 50; ++y)
    for (uint32_t x = 0; x < 50; ++x)
      ASSERT_EQ(grid.at(y, x), before.at(y, x) * grid.countsPerHit);
  HitGrid flat = before;
  estimateDensity(flat, DensityFilter{2.0, 0.0}, 2);
  bool denseSpread = false;
  for (uint32_t y = 0; y < 50; ++y)
    for (uint32_t x = 0; x < 50; ++x)
      denseSpread |= before.at(y, x) >= 500 &&
                     flat.at(y, x) < before.at(y, x) * flat.countsPerHit;
  EXPECT_TRUE(denseSpread);
}

TEST(DensityFilterTest, AFullGridTakesACoarserUnitAndNeverWraps) {
  HitGrid grid;
  grid.setSize(40);
  grid.at(5, 5) = 3000000;        // 3e6 x 4096 would pass 32 bits
  grid.at(30, 30) = UINT32_MAX;   // the largest count stays the largest
  grid.at(20, 20) = 1;
  estimateDensity(grid, Default, 1);
  EXPECT_EQ(grid.countsPerHit, 1u);
  EXPECT_EQ(grid.at(30, 30), UINT32_MAX);
  EXPECT_EQ(grid.at(5, 5), 3000000u);
  HitGrid fuller;
  fuller.setSize(40);
  fuller.at(5, 5) = 3000000;
  estimateDensity(fuller, Default, 1);
  EXPECT_EQ(fuller.countsPerHit, 1024u);
  EXPECT_EQ(fuller.at(5, 5), 3000000u * 1024u);
}

TEST(DensityFilterTest, LogToneReadsCountsInHits) {
  // A filtered grid's counts of one hit and of the top sit where whole
  // counts of one hit and of the top sit.
  std::vector<uint64_t> whole(CountBins, 0), fine(CountBins, 0);
  whole[countBin(1)] = 990;
  whole[countBin(100)] = 10;
  fine[countBin(4096)] = 990;
  fine[countBin(409600)] = 10;
  const std::vector<double> a = tonePositions(whole, Tone::Log, 1.0);
  const std::vector<double> b = tonePositions(fine, Tone::Log, 1.0, 4096.0);
  EXPECT_NEAR(a[countBin(1)], b[countBin(4096)], 1e-3);
  EXPECT_NEAR(a[countBin(100)], b[countBin(409600)], 1e-3);
  EXPECT_GT(b[countBin(4096)], 0.1);
}

}  // namespace
}  // namespace marl
