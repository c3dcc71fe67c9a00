#include "attractor/torus_map.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>

#include <gtest/gtest.h>

namespace marl {
namespace {

uint64_t bits(double value) {
  uint64_t b;
  std::memcpy(&b, &value, sizeof b);
  return b;
}

// Called through volatile pointers so that the compiler cannot merge a sine
// and a cosine into one sincos call: the reference uses the two functions
// exactly as named.
double (*volatile librarySin)(double) = ::sin;
double (*volatile libraryCos)(double) = ::cos;

struct Point {
  double x, y;
};

// A plain, unoptimised step in the order the map is defined by.
Point referenceStep(const TorusMap& map) {
  const int L = map.detail;
  double xa[12], ya[12], sx[12], cx[12], sy[12], cy[12];
  xa[0] = map.angleScale * map.x;
  ya[0] = map.angleScale * map.y;
  for (int k = 0; k < L; ++k) {
    if (k > 0) {
      xa[k] = xa[k - 1] + xa[0];
      ya[k] = ya[k - 1] + ya[0];
    }
    sx[k] = librarySin(xa[k]);
    cx[k] = libraryCos(xa[k]);
    sy[k] = librarySin(ya[k]);
    cy[k] = libraryCos(ya[k]);
  }
  double x = map.linearCoefficient * map.x + map.offsetX;
  double y = map.linearCoefficient * map.y + map.offsetY;
  for (int i = 0; i < L; ++i) {
    for (int j = 0; j < L; ++j) {
      x = x + (sx[i] * map.coefficientMatrix[i][j]) * cy[j];
      y = y + (sy[i] * map.coefficientMatrix[i][j]) * cx[j];
    }
  }
  return {TorusMap::wrapToTorus(x), TorusMap::wrapToTorus(y)};
}

TorusMap randomMap(int32_t detail, std::mt19937_64& gen) {
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::uniform_int_distribution<int> multiple(-3, 3);
  TorusMap map;
  map.detail = detail;
  map.linearCoefficient = multiple(gen);
  map.offsetX = map.offsetY = gen() % 2 ? 0.5 : 0.0;
  for (int i = 0; i < detail; ++i)
    for (int j = 0; j < detail; ++j)
      map.coefficientMatrix[i][j] = unit(gen) * 0.8 - 0.4;
  map.x = unit(gen);
  map.y = unit(gen);
  return map;
}

TEST(TorusMapTest, WrapRule) {
  EXPECT_EQ(TorusMap::wrapToTorus(1.5), 0.5);
  EXPECT_EQ(bits(TorusMap::wrapToTorus(2.0)), bits(0.0));
  EXPECT_EQ(TorusMap::wrapToTorus(-0.25), 0.75);
  EXPECT_EQ(TorusMap::wrapToTorus(-1.0), 1.0);
  EXPECT_EQ(TorusMap::wrapToTorus(-2.0), 1.0);
  EXPECT_EQ(TorusMap::wrapToTorus(1.0), 1.0);
  EXPECT_EQ(bits(TorusMap::wrapToTorus(0.0)), bits(0.0));
  EXPECT_EQ(TorusMap::wrapToTorus(0.375), 0.375);
  EXPECT_EQ(TorusMap::wrapToTorus(61.0625), 0.0625);
  EXPECT_EQ(TorusMap::wrapToTorus(-61.0625), 0.9375);
}

TEST(TorusMapTest, StepMatchesPlainReferenceBitForBit) {
  std::mt19937_64 gen(11);
  for (int32_t detail = 2; detail <= TorusMap::MaxDetail; ++detail) {
    TorusMap map = randomMap(detail, gen);
    for (int step = 0; step < 5000; ++step) {
      const Point expected = referenceStep(map);
      map.iterate();
      ASSERT_EQ(bits(map.x), bits(expected.x))
          << "detail " << detail << " step " << step;
      ASSERT_EQ(bits(map.y), bits(expected.y))
          << "detail " << detail << " step " << step;
    }
  }
}

TEST(TorusMapTest, ExchangingCoordinatesIsExact) {
  std::mt19937_64 gen(12);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  TorusMap map = randomMap(12, gen);
  for (int trial = 0; trial < 20000; ++trial) {
    const double a = unit(gen), b = unit(gen);
    map.x = a;
    map.y = b;
    map.iterate();
    const double p = map.x, q = map.y;
    map.x = b;
    map.y = a;
    map.iterate();
    ASSERT_EQ(bits(map.x), bits(q)) << a << " " << b;
    ASSERT_EQ(bits(map.y), bits(p)) << a << " " << b;
  }
}

TEST(TorusMapTest, ZeroMapSendsEveryPointToTheOrigin) {
  TorusMap map;
  map.x = 0.3;
  map.y = 0.9;
  for (int step = 0; step < 3; ++step) {
    map.iterate();
    EXPECT_EQ(bits(map.x), bits(0.0));
    EXPECT_EQ(bits(map.y), bits(0.0));
  }
}

TEST(TorusMapTest, UnitMultipleWithHalfOffsetHasPeriodTwo) {
  TorusMap map;
  map.linearCoefficient = 1.0;
  map.offsetX = map.offsetY = 0.5;
  map.x = 0.25;
  map.y = 0.75;
  map.iterate();
  EXPECT_EQ(map.x, 0.75);
  EXPECT_EQ(map.y, 0.25);
  map.iterate();
  EXPECT_EQ(map.x, 0.25);
  EXPECT_EQ(map.y, 0.75);
}

TEST(TorusMapTest, EntriesOutsideTheDetailBlockAreNeverRead) {
  std::mt19937_64 gen(14);
  for (int32_t detail : {2, 7, 11}) {
    TorusMap clean = randomMap(detail, gen);
    TorusMap poisoned = clean;
    for (int i = 0; i < TorusMap::MaxDetail; ++i)
      for (int j = 0; j < TorusMap::MaxDetail; ++j)
        if (i >= detail || j >= detail)
          poisoned.coefficientMatrix[i][j] = std::nan("");
    for (int step = 0; step < 1000; ++step) {
      clean.iterate();
      poisoned.iterate();
      ASSERT_EQ(bits(poisoned.x), bits(clean.x)) << "detail " << detail;
      ASSERT_EQ(bits(poisoned.y), bits(clean.y)) << "detail " << detail;
    }
  }
}

}  // namespace
}  // namespace marl
