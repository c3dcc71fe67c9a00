#include "attractor/map_parameters.h"

#include <cmath>
#include <cstdlib>
#include <set>
#include <string>

#include <gtest/gtest.h>


namespace marl {
namespace {

// Each test makes its own sources; only the C library's rand is shared.
class RandomizeMapTest : public ::testing::Test {};

// A source whose engine has been moved on by `skip` raw values.
RandomSource sourceAfter(int skip) {
  RandomSource random;
  for (int i = 0; i < skip; ++i) random.next();
  return random;
}

constexpr double Untouched = 9.0;

TorusMap mapWithDetail(int32_t detail) {
  TorusMap map;
  map.detail = detail;
  for (int i = 0; i < TorusMap::MaxDetail; ++i)
    for (int j = 0; j < TorusMap::MaxDetail; ++j)
      map.coefficientMatrix[i][j] = Untouched;
  return map;
}

TEST_F(RandomizeMapTest, DrawsInTheFixedOrder) {
  for (int32_t detail : {2, 6, 12}) {
    RandomSource random = sourceAfter(detail);
    std::srand(17 + detail);
    const int runtimeValue = std::rand();
    std::srand(17 + detail);

    TorusMap map = mapWithDetail(detail);
    RandomSource replay = random;
    const int32_t imageNumber = randomizeMap(map, random);

    // Replay the same draws on a copy of the source.
    EXPECT_EQ(map.linearCoefficient, replay.drawSmallInteger(-3, 3));
    for (int k = 0; k < 202; ++k) replay.next();
    EXPECT_EQ(map.x, replay.drawUnit());
    EXPECT_EQ(map.y, replay.drawUnit());
    const double offset = runtimeValue % 2 == 0 ? 0.5 : 0.0;
    EXPECT_EQ(map.offsetX, offset);
    EXPECT_EQ(map.offsetY, offset);
    for (int i = 0; i < TorusMap::MaxDetail; ++i) {
      for (int j = 0; j < TorusMap::MaxDetail; ++j) {
        if (i < detail && j < detail) {
          ASSERT_EQ(map.coefficientMatrix[i][j], replay.drawUnit() * 0.8 - 0.4);
        } else {
          ASSERT_EQ(map.coefficientMatrix[i][j], Untouched);
        }
      }
    }
    EXPECT_EQ(imageNumber, replay.drawSmallInteger(0, 30000));
    EXPECT_TRUE(replay.engine() == random.engine()) << "detail " << detail;
  }
}

// Detail 2 draws 4 coefficients and detail 12 draws 144, row by row, from
// the same point of the sequence. Every draw here takes one raw engine
// output, so the engine positions can be compared directly.
TEST_F(RandomizeMapTest, DetailSetsTheNumberOfCoefficientDraws) {
  RandomSource smallSource;
  TorusMap small = mapWithDetail(2);
  randomizeMap(small, smallSource);
  boost::random::mt19937 afterSmall = smallSource.engine();

  RandomSource largeSource;
  TorusMap large = mapWithDetail(12);
  randomizeMap(large, largeSource);
  const boost::random::mt19937 afterLarge = largeSource.engine();

  EXPECT_EQ(small.linearCoefficient, large.linearCoefficient);
  EXPECT_EQ(small.x, large.x);
  EXPECT_EQ(small.y, large.y);
  EXPECT_EQ(small.coefficientMatrix[0][0], large.coefficientMatrix[0][0]);
  EXPECT_EQ(small.coefficientMatrix[0][1], large.coefficientMatrix[0][1]);
  EXPECT_EQ(small.coefficientMatrix[1][0], large.coefficientMatrix[0][2]);
  EXPECT_EQ(small.coefficientMatrix[1][1], large.coefficientMatrix[0][3]);

  // Multiple, 202 discarded, start point, coefficients, image number.
  boost::random::mt19937 expected(5489u);
  expected.discard(1 + 202 + 2 + 4 + 1);
  EXPECT_TRUE(afterSmall == expected);
  afterSmall.discard(144 - 4);
  EXPECT_TRUE(afterSmall == afterLarge);
}

TEST_F(RandomizeMapTest, ValuesStayInTheirRanges) {
  RandomSource random = sourceAfter(99);
  std::set<double> multiples, offsets;
  double lowest = 1.0, highest = -1.0;
  for (int trial = 0; trial < 2000; ++trial) {
    TorusMap map = mapWithDetail(12);
    const int32_t imageNumber = randomizeMap(map, random);
    ASSERT_GE(imageNumber, 0);
    ASSERT_LE(imageNumber, 30000);
    ASSERT_EQ(map.linearCoefficient, std::trunc(map.linearCoefficient));
    multiples.insert(map.linearCoefficient);
    ASSERT_TRUE(map.x >= 0.0 && map.x < 1.0);
    ASSERT_TRUE(map.y >= 0.0 && map.y < 1.0);
    ASSERT_EQ(map.offsetX, map.offsetY);
    offsets.insert(map.offsetX);
    for (int i = 0; i < 12; ++i) {
      for (int j = 0; j < 12; ++j) {
        const double m = map.coefficientMatrix[i][j];
        ASSERT_TRUE(m >= -0.4 && m < 0.4) << m;
        lowest = std::min(lowest, m);
        highest = std::max(highest, m);
      }
    }
  }
  EXPECT_EQ(multiples, (std::set<double>{-3, -2, -1, 0, 1, 2, 3}));
  EXPECT_EQ(offsets, (std::set<double>{0.0, 0.5}));
  // The whole range is used, not a part of it.
  EXPECT_LT(lowest, -0.399);
  EXPECT_GT(highest, 0.399);
}

}  // namespace
}  // namespace marl
