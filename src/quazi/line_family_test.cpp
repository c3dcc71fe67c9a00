#include "quazi/line_family.h"

#include <cmath>

#include <gtest/gtest.h>

namespace marl {
namespace {

TEST(LineFamilyTest, LinesAndStrips) {
  const double angle = 3 * (6.283185307 / 5) + 0.01;
  const LineFamily family(angle, 73.5, 3, 21);
  EXPECT_EQ(family.cosNormal, std::cos(angle + 1.57079632675));
  EXPECT_EQ(family.offset, 3 / 1111.0);
  ASSERT_EQ(family.lines.size(), 21u);
  for (int k = 0; k < 21; ++k) {
    // Line k passes (k - 10) spacings along the normal from (offset, offset).
    const GridLine& line = family.lines[k];
    const double x = family.offset + line.position * family.cosNormal;
    EXPECT_EQ(line.position, (k - 10) * 73.5);
    EXPECT_NEAR(line.slope * x + line.intercept,
                family.offset + line.position * family.sinNormal, 1e-9);
  }

  // At angle 0 a point's position along the normal is exactly its y.
  const LineFamily flat(0.0, 50.0, 0, 21);
  ASSERT_EQ(flat.sinNormal, 1.0);
  EXPECT_EQ(flat.stripIndex(0.0, 0.0), 11.0);      // on line 10: next strip
  EXPECT_EQ(flat.stripIndex(7.0, -1e-9), 10.0);    // just before line 10
  EXPECT_EQ(flat.stripIndex(0.0, -500.5), 0.0);    // before line 0
  EXPECT_EQ(flat.stripIndex(0.0, 5000.0), 111.0);  // counting on past line 20
  EXPECT_GT(flat.stripIndex(0.0, 1e15), 2147483647.0);
}

}  // namespace
}  // namespace marl
