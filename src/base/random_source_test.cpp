#include "base/random_source.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include <gtest/gtest.h>

namespace marl {
namespace {

// Every test starts from the state a fresh process has.
class RandomSourceTest : public ::testing::Test {
 protected:
  RandomSource random;
};

TEST_F(RandomSourceTest, EngineIsTheStandardMersenneTwisterWithDefaultSeed) {
  boost::random::mt19937 fresh;
  EXPECT_EQ(random.engine(), fresh);
  for (int i = 1; i < 10000; ++i) random.next();
  // The value the C++ standard gives for the 10000th output.
  EXPECT_EQ(random.next(), 4123659995u);
}

TEST_F(RandomSourceTest, AdvanceDependsOnlyOnTheSecondModulo2000) {
  random.advanceForTime(1767225600 - 1600);  // remainder 0: no draw
  EXPECT_EQ(random.engine(), boost::random::mt19937());

  random.advanceForTime(-5);  // a negative remainder draws nothing either
  EXPECT_EQ(random.engine(), boost::random::mt19937());

  random.advanceForTime(1999);
  const boost::random::mt19937 after1999 = random.engine();
  RandomSource other;
  other.advanceForTime(2000 * 7 + 1999);
  EXPECT_EQ(other.engine(), after1999);

  // Each of the 1999 pairs takes one raw value per draw (the ranges are far
  // below 2^32, so no rejection happens in practice): 3998 raw values.
  boost::random::mt19937 stepped;
  stepped.discard(3998);
  EXPECT_EQ(after1999, stepped);
}

TEST_F(RandomSourceTest, DrawsStayInTheirRanges) {
  for (int i = 0; i < 20000; ++i) {
    const double unit = random.drawUnit();
    ASSERT_GE(unit, 0.0);
    ASSERT_LT(unit, 1.0);
    const double real = random.drawReal(0.8, 2.2);
    ASSERT_GE(real, 0.8);
    ASSERT_LT(real, 2.2);
    const int32_t small = random.drawSmallInteger(-3, 3);
    ASSERT_GE(small, -3);
    ASSERT_LE(small, 3);
    const int32_t integer = random.drawInteger(5, 42);
    ASSERT_GE(integer, 5);
    ASSERT_LE(integer, 42);
  }
  EXPECT_EQ(random.drawInteger(7, 7), 7);
}

TEST_F(RandomSourceTest, EmptyIntegerRangeStaysBetweenItsBounds) {
  bool sawLow = false, sawHigh = false;
  for (int i = 0; i < 2000; ++i) {
    const int32_t n = random.drawInteger(50, 40);
    ASSERT_GE(n, 40);
    ASSERT_LE(n, 50);
    sawLow |= n == 40;
    sawHigh |= n == 50;
  }
  EXPECT_TRUE(sawLow && sawHigh);
  // It takes one raw value, as a non-empty range of that width does.
  boost::random::mt19937 stepped;
  stepped.discard(2000);
  EXPECT_EQ(random.engine(), stepped);
}

TEST_F(RandomSourceTest, SeedStartsBothGeneratorsAgainWhateverCameBefore) {
  random.advanceForTime(1234);
  random.startFromSeed(7);
  EXPECT_EQ(random.engine(), boost::random::mt19937(7u));
  std::vector<bool> coins;
  for (int i = 0; i < 64; ++i) coins.push_back(random.drawHalfOffset());

  RandomSource again;
  for (int i = 0; i < 99; ++i) again.drawHalfOffset();
  again.startFromSeed(7);
  EXPECT_EQ(again.engine(), random.engine());
  std::vector<bool> coinsAgain;
  for (int i = 0; i < 64; ++i) coinsAgain.push_back(again.drawHalfOffset());
  EXPECT_EQ(coins, coinsAgain);

  // Neighbouring seeds share no run of values, as clock skips would.
  RandomSource next;
  next.startFromSeed(8);
  std::vector<uint32_t> seven, eight;
  RandomSource fresh;
  fresh.startFromSeed(7);
  for (int i = 0; i < 1000; ++i) {
    seven.push_back(fresh.next());
    eight.push_back(next.next());
  }
  int shared = 0;
  for (uint32_t v : eight)
    shared += std::count(seven.begin(), seven.end(), v) > 0;
  EXPECT_EQ(shared, 0);
  std::srand(1);  // glibc's unseeded state, as a fresh process has it
}

}  // namespace
}  // namespace marl
