#include "quazi/line_family.h"

#include <cmath>

#include <gtest/gtest.h>

namespace marl {
namespace {

// Distance of (px, py) from the line y = slope * x + intercept.
double distanceToLine(const GridLine& line, double px, double py) {
  return std::fabs(line.slope * px - py + line.intercept) /
         std::hypot(line.slope, 1.0);
}

TEST(LineFamilyTest, LinesLieOneSpacingApartAboutTheReferencePoint) {
  const double angle = 3 * (6.283185307 / 5) + 0.01;
  const LineFamily family(angle, 73.5, 3, 21);

  EXPECT_EQ(family.normalAngle, angle + 1.57079632675);
  EXPECT_EQ(family.cosNormal, std::cos(angle + 1.57079632675));
  EXPECT_EQ(family.sinNormal, std::sin(angle + 1.57079632675));
  EXPECT_EQ(family.slope, std::sin(angle) / std::cos(angle));
  EXPECT_EQ(family.offset, 3 / 1111.0);
  EXPECT_NEAR(family.offset, 0.0027, 1e-4);

  ASSERT_EQ(family.lines.size(), 21u);
  for (int k = 0; k < 21; ++k) {
    const GridLine& line = family.lines[k];
    EXPECT_EQ(line.index, k);
    EXPECT_EQ(line.slope, family.slope);
    EXPECT_EQ(line.position, (k - 10) * 73.5);
    // The line keeps |position| from the reference point, on the side the
    // normal points to for positive positions.
    EXPECT_NEAR(distanceToLine(line, family.offset, family.offset),
                std::fabs(line.position), 1e-9);
    const double alongNormalX = family.offset + line.position * family.cosNormal;
    const double alongNormalY = family.offset + line.position * family.sinNormal;
    EXPECT_NEAR(distanceToLine(line, alongNormalX, alongNormalY), 0.0, 1e-9);
  }
}

TEST(LineFamilyTest, StripIndexCountsAPointOnALineInTheNextStrip) {
  // Angle 0: slope 0 and sin(normalAngle) rounds to exactly 1, so a point's
  // position along the normal is exactly its y and the boundaries are exact.
  const LineFamily family(0.0, 50.0, 0, 21);
  ASSERT_EQ(family.sinNormal, 1.0);

  EXPECT_EQ(family.stripIndex(0.0, 0.0), 11.0);     // on line 10
  EXPECT_EQ(family.stripIndex(7.0, -1e-9), 10.0);   // just before line 10
  EXPECT_EQ(family.stripIndex(0.0, 50.0), 12.0);    // on line 11
  EXPECT_EQ(family.stripIndex(0.0, 49.999), 11.0);
  EXPECT_EQ(family.stripIndex(0.0, -500.0), 1.0);   // on line 0
  EXPECT_EQ(family.stripIndex(0.0, -500.5), 0.0);   // before the first line
  EXPECT_EQ(family.stripIndex(0.0, -560.0), -1.0);  // and on, below it
  EXPECT_EQ(family.stripIndex(0.0, 5000.0), 111.0); // far beyond the last
  EXPECT_GT(family.stripIndex(0.0, 1e15), 2147483647.0);

  // A family with a reference point off the origin counts from there.
  const LineFamily moved(0.0, 50.0, 555, 21);
  EXPECT_EQ(moved.stripIndex(0.0, 0.5), 11.0);
  EXPECT_EQ(moved.stripIndex(0.0, 0.4), 10.0);
}

}  // namespace
}  // namespace marl
