#include "job/counts_state.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "attractor/run_control.h"

namespace marl {
namespace {

const std::string Recipe = "\\ marl recipe\nsize=40\ncheck=1\n";

CountsState fastState() {
  CountsState s;
  s.fast = true;
  s.side = 40;
  s.fastFrom = 1263361;
  s.fastOrbits.hits = 5000017;
  s.steps = *s.fastFrom + int64_t(s.fastOrbits.hits);
  for (std::size_t i = 0; i < FastOrbitStarts; ++i)
    s.fastOrbits.points.emplace_back(double(i) / 1024.0 + 1e-17 * double(i),
                                     0.1 + double(i) * 1e-5);
  s.maxCount = 4000000000u;
  s.total = 123;
  s.margin = {{40, 3, 2}, {7, 40, 1}};
  return s;
}

TEST(CountsStateTest, TextReadsBackEveryBit) {
  CountsState exact;
  exact.side = 1201;
  exact.steps = 200000000;
  exact.x = 0.30000000000000004;
  exact.y = 0x1.fffffffffffffp-1;
  exact.maxCount = 77;
  exact.total = 199996999;
  for (const CountsState& s : {exact, fastState()}) {
    CountsState read;
    std::string why;
    ASSERT_TRUE(parseCountsState(countsStateText(s, Recipe), Recipe, read, why))
        << why;
    EXPECT_EQ(read.fast, s.fast);
    EXPECT_EQ(read.side, s.side);
    EXPECT_EQ(read.steps, s.steps);
    EXPECT_EQ(read.x, s.x);
    EXPECT_EQ(read.y, s.y);
    EXPECT_EQ(read.maxCount, s.maxCount);
    EXPECT_EQ(read.total, s.total);
    ASSERT_EQ(read.margin.size(), s.margin.size());
    for (std::size_t i = 0; i < s.margin.size(); ++i)
      EXPECT_EQ(read.margin[i].count, s.margin[i].count);
    EXPECT_EQ(read.fastFrom, s.fastFrom);
    EXPECT_EQ(read.fastOrbits.hits, s.fastOrbits.hits);
    EXPECT_TRUE(read.fastOrbits.points == s.fastOrbits.points);
  }
}

TEST(CountsStateTest, ACutChangedOrForeignStateIsRefused) {
  const std::string text = countsStateText(fastState(), Recipe);
  std::string changed = text;
  changed[changed.find("steps ") + 6] ^= 1;
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"cut", text.substr(0, text.size() / 2)},
      {"without its check", text.substr(0, text.rfind("check "))},
      {"a digit changed", changed},
      {"empty", ""},
  };
  for (const auto& [name, bad] : cases) {
    CountsState read;
    std::string why;
    EXPECT_FALSE(parseCountsState(bad, Recipe, read, why)) << name;
    EXPECT_NE(why, "") << name;
  }
  CountsState read;
  std::string why;
  EXPECT_FALSE(parseCountsState(text, Recipe + "x", read, why))
      << "another picture's recipe";
}

TEST(CountsStateTest, GridIsRestoredOnlyWhenItsCountsAddUp) {
  HitGrid grid;
  grid.setSize(40);
  const int64_t steps = WarmUpIterations + 1 + 10;
  grid.at(3, 4) = 7;
  grid.at(40, 2) = 1;  // a margin hit
  grid.at(39, 39) = 2;
  grid.maxCount = 7;
  CountsState s;
  s.side = 40;
  s.steps = steps;
  describeGrid(grid, s);
  EXPECT_EQ(s.total, 10u);
  ASSERT_EQ(s.margin.size(), 1u);

  // As read from a file: the square alone, with a stray margin count.
  HitGrid read;
  read.setSize(40);
  read.at(3, 4) = 7;
  read.at(39, 39) = 2;
  read.at(2, 45) = 9;
  std::string why;
  ASSERT_TRUE(restoreGrid(s, read, why)) << why;
  EXPECT_EQ(read.at(40, 2), 1u);
  EXPECT_EQ(read.at(2, 45), 0u);
  EXPECT_EQ(read.maxCount, 7u);

  const struct {
    const char* name;
    uint32_t row, column, count;
    int64_t steps;
  } lies[] = {
      {"a count raised", 3, 4, 8, steps},
      {"a count moved to raise the largest", 39, 39, 9, steps},
      {"more steps than counts", 3, 4, 7, steps + 1},
  };
  for (const auto& lie : lies) {
    HitGrid forged;
    forged.setSize(40);
    forged.at(3, 4) = 7;
    forged.at(39, 39) = 2;
    forged.at(lie.row, lie.column) = lie.count;
    CountsState claimed = s;
    claimed.steps = lie.steps;
    EXPECT_FALSE(restoreGrid(claimed, forged, why)) << lie.name;
  }
}

}  // namespace
}  // namespace marl
