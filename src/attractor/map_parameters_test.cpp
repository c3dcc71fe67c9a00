#include "attractor/map_parameters.h"

#include <cmath>
#include <cstdlib>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "attractor/random_source.h"

namespace marl {
namespace {

// randomEngine is shared by the whole process: each test starts from a known
// state and leaves the engine as it found it.
class RandomizeMapTest : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = randomEngine; }
  void TearDown() override { randomEngine = saved_; }

 private:
  boost::random::mt19937 saved_;
};

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
    randomEngine.seed(5489u + detail);
    std::srand(17 + detail);
    const int runtimeValue = std::rand();
    std::srand(17 + detail);

    TorusMap map = mapWithDetail(detail);
    const boost::random::mt19937 before = randomEngine;
    const int32_t imageNumber = randomizeMap(map);
    const boost::random::mt19937 after = randomEngine;

    // Replay the same draws on the same engine.
    randomEngine = before;
    EXPECT_EQ(map.linearCoefficient, drawSmallInteger(-3, 3));
    for (int k = 0; k < 202; ++k) next();
    EXPECT_EQ(map.x, drawUnit());
    EXPECT_EQ(map.y, drawUnit());
    const double offset = runtimeValue % 2 == 0 ? 0.5 : 0.0;
    EXPECT_EQ(map.offsetX, offset);
    EXPECT_EQ(map.offsetY, offset);
    for (int i = 0; i < TorusMap::MaxDetail; ++i) {
      for (int j = 0; j < TorusMap::MaxDetail; ++j) {
        if (i < detail && j < detail) {
          ASSERT_EQ(map.coefficientMatrix[i][j], drawUnit() * 0.8 - 0.4);
        } else {
          ASSERT_EQ(map.coefficientMatrix[i][j], Untouched);
        }
      }
    }
    EXPECT_EQ(imageNumber, drawSmallInteger(0, 30000));
    EXPECT_TRUE(randomEngine == after) << "detail " << detail;
  }
}

// Detail 2 draws 4 coefficients and detail 12 draws 144, row by row, from
// the same point of the sequence. Every draw here takes one raw engine
// output, so the engine positions can be compared directly.
TEST_F(RandomizeMapTest, DetailSetsTheNumberOfCoefficientDraws) {
  randomEngine.seed(5489u);
  TorusMap small = mapWithDetail(2);
  randomizeMap(small);
  boost::random::mt19937 afterSmall = randomEngine;

  randomEngine.seed(5489u);
  TorusMap large = mapWithDetail(12);
  randomizeMap(large);
  const boost::random::mt19937 afterLarge = randomEngine;

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
  randomEngine.seed(99u);
  std::set<double> multiples, offsets;
  double lowest = 1.0, highest = -1.0;
  for (int trial = 0; trial < 2000; ++trial) {
    TorusMap map = mapWithDetail(12);
    const int32_t imageNumber = randomizeMap(map);
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

TEST(OutputNamesTest, NumberTakesSixDigits) {
  OutputNames zero = makeOutputNames("symmetric_square", 0, "jpg");
  EXPECT_EQ(zero.fileName, "symmetric_square000000.jpg");
  EXPECT_EQ(zero.quaziFileName, "symmetric_square_quazi000000.jpg");

  OutputNames largest = makeOutputNames("a", 30000, "gif");
  EXPECT_EQ(largest.fileName, "a030000.gif");
  EXPECT_EQ(largest.quaziFileName, "a_quazi030000.gif");

  OutputNames empty = makeOutputNames("", 12345, "bmp");
  EXPECT_EQ(empty.fileName, "012345.bmp");
  EXPECT_EQ(empty.quaziFileName, "_quazi012345.bmp");
}

TEST(OutputNamesTest, LongBaseNameIsKeptWhole) {
  const std::string basename = "dir/" + std::string(296, 'b');
  OutputNames names = makeOutputNames(basename, 42, "tif");
  EXPECT_EQ(names.fileName, basename + "000042.tif");
  EXPECT_EQ(names.quaziFileName, basename + "_quazi000042.tif");
  EXPECT_EQ(names.fileName.size(), 310u);
}

}  // namespace
}  // namespace marl
