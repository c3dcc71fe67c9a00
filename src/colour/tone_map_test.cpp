#include "colour/tone_map.h"

#include <cmath>

#include <gtest/gtest.h>

namespace marl {
namespace {

TEST(ToneMapTest, BinsRiseWithTheCountAndSmallCountsAreExact) {
  EXPECT_EQ(countBin(0), 0u);
  EXPECT_EQ(countBin(4294967295u), CountBins - 1);
  uint32_t previous = 0;
  for (uint32_t count = 1; count < 5000000; count += 1 + count / 3000) {
    const uint32_t bin = countBin(count);
    ASSERT_GE(bin, previous) << count;
    ASSERT_LT(bin, CountBins);
    const uint32_t floor = binFloor(bin);
    ASSERT_LE(floor, count);
    if (count < 2047) {
      ASSERT_EQ(floor, count);
    }
    // Above, a bin spans at most 1/1024 of its counts.
    ASSERT_LE(double(count - floor), double(count + 1) / 1024.0) << count;
    previous = bin;
  }
}

// A histogram with `cells` cells of each count.
std::vector<uint64_t> histogramOf(
    std::initializer_list<std::pair<uint32_t, uint64_t>> cells) {
  std::vector<uint64_t> h(CountBins, 0);
  for (auto [count, n] : cells) h[countBin(count)] += n;
  return h;
}

TEST(ToneMapTest, PercentileOfTheVisitedCells) {
  EXPECT_EQ(percentileCount(histogramOf({{0, 50}}), TopShare), 0u);
  // 3000 visited cells: the 2997th lowest holds 100, the top two 1000.
  const std::vector<uint64_t> h =
      histogramOf({{0, 100000}, {1, 1000}, {100, 1998}, {1000, 2}});
  EXPECT_EQ(percentileCount(h, TopShare), 100u);
  EXPECT_EQ(percentileCount(h, 0.3), 1u);
  EXPECT_EQ(percentileCount(h, 1.0), 1000u);
}

TEST(ToneMapTest, LogAndLinearAgainstTheTopCountThenGamma) {
  const std::vector<uint64_t> h =
      histogramOf({{0, 10}, {9, 500}, {99, 2498}, {1000, 2}});
  const double log9 = std::log(10.0) / std::log(100.0);  // 0.5
  struct Case {
    Tone tone;
    double gamma;
    double at0, at9, at99, at1000;
  } cases[] = {
      {Tone::Log, 1.0, 0.0, log9, 1.0, 1.0},
      {Tone::Log, 2.0, 0.0, std::sqrt(log9), 1.0, 1.0},
      {Tone::Log, 0.5, 0.0, log9 * log9, 1.0, 1.0},
      {Tone::Linear, 1.0, 0.0, 9.0 / 99.0, 1.0, 1.0},
      {Tone::Linear, 4.0, 0.0, std::pow(9.0 / 99.0, 0.25), 1.0, 1.0},
  };
  for (const Case& c : cases) {
    const std::vector<double> p = tonePositions(h, c.tone, c.gamma);
    SCOPED_TRACE(c.gamma);
    EXPECT_DOUBLE_EQ(p[countBin(0)], c.at0);
    EXPECT_DOUBLE_EQ(p[countBin(9)], c.at9);
    EXPECT_DOUBLE_EQ(p[countBin(99)], c.at99);
    EXPECT_DOUBLE_EQ(p[countBin(1000)], c.at1000);  // above the top: clamped
  }
}

TEST(ToneMapTest, EqualizeRanksFromTheEmptiestToTheFullest) {
  // Ranks by cells at or below, less the lowest bin's: 0, 30/90, 1.
  const std::vector<uint64_t> h = histogramOf({{3, 10}, {50, 30}, {70000, 60}});
  const std::vector<double> p = tonePositions(h, Tone::Equalize, 1.0);
  EXPECT_DOUBLE_EQ(p[countBin(3)], 0.0);
  EXPECT_DOUBLE_EQ(p[countBin(50)], 30.0 / 90.0);
  EXPECT_DOUBLE_EQ(p[countBin(70000)], 1.0);
  // One count everywhere, or nothing at all: the first colour.
  EXPECT_EQ(tonePositions(histogramOf({{5, 9}}), Tone::Equalize, 2.0)[countBin(5)],
            0.0);
  EXPECT_EQ(tonePositions(histogramOf({}), Tone::Log, 1.0)[0], 0.0);
}

}  // namespace
}  // namespace marl
