#include "quazi/tile_quad.h"

#include <gtest/gtest.h>

namespace marl {
namespace {

TileQuad unitSquare() {
  return TileQuad({0.0, 1.0, 0.0, 1.0}, {0.0, 0.0, 1.0, 1.0});
}

void expectCorners(const TileQuad& quad, const double (&xs)[4],
                   const double (&ys)[4]) {
  for (int k = 0; k < 4; ++k) {
    EXPECT_DOUBLE_EQ(quad.cornerX[k], xs[k]) << "corner " << k;
    EXPECT_DOUBLE_EQ(quad.cornerY[k], ys[k]) << "corner " << k;
  }
}

TEST(TileQuadTest, TranslateReplacesTheEarlierTranslation) {
  TileQuad quad = unitSquare();
  quad.translate(10.0, 20.0);
  quad.translate(-3.0, 5.0);
  expectCorners(quad, {-3.0, -2.0, -3.0, -2.0}, {5.0, 5.0, 6.0, 6.0});
  EXPECT_TRUE(quad.translated);
  EXPECT_EQ(quad.shiftX, -3.0);
  EXPECT_EQ(quad.shiftY, 5.0);
  EXPECT_DOUBLE_EQ(quad.centreX, -2.5);
  EXPECT_DOUBLE_EQ(quad.centreY, 5.5);

  quad.undoTranslate();
  expectCorners(quad, {0.0, 1.0, 0.0, 1.0}, {0.0, 0.0, 1.0, 1.0});
  EXPECT_FALSE(quad.translated);
  EXPECT_EQ(quad.shiftX, 0.0);
  // The centre is left as it was.
  EXPECT_DOUBLE_EQ(quad.centreX, -2.5);
  quad.undoTranslate();  // nothing to undo
  expectCorners(quad, {0.0, 1.0, 0.0, 1.0}, {0.0, 0.0, 1.0, 1.0});
}

TEST(TileQuadTest, ScaleActsAboutTheOriginBeneathTheTranslation) {
  TileQuad quad({1.0, 2.0, 1.5, 2.5}, {1.0, 1.0, 2.0, 2.0});
  quad.translate(100.0, 50.0);
  quad.scale(2.0, 2.0);
  // 2 * (corner as built) + shift, and the centre follows.
  expectCorners(quad, {102.0, 104.0, 103.0, 105.0}, {52.0, 52.0, 54.0, 54.0});
  EXPECT_TRUE(quad.scaled);
  EXPECT_TRUE(quad.translated);
  EXPECT_DOUBLE_EQ(quad.centreX, 103.5);
  EXPECT_DOUBLE_EQ(quad.centreY, 53.0);

  // A second scale replaces the first.
  quad.scale(3.0, 0.5);
  expectCorners(quad, {103.0, 106.0, 104.5, 107.5}, {50.5, 50.5, 51.0, 51.0});
  EXPECT_EQ(quad.scaleX, 3.0);
  EXPECT_EQ(quad.scaleY, 0.5);

  quad.undoTranslate();
  quad.undoScale();
  expectCorners(quad, {1.0, 2.0, 1.5, 2.5}, {1.0, 1.0, 2.0, 2.0});
  EXPECT_FALSE(quad.scaled);
  EXPECT_EQ(quad.scaleX, 1.0);
  EXPECT_EQ(quad.scaleY, 1.0);
}

TEST(TileQuadTest, ScaleWithoutTranslationLeavesTheCentreAlone) {
  TileQuad quad = unitSquare();
  quad.scale(2.0, 2.0);
  quad.scale(3.0, 3.0);
  expectCorners(quad, {0.0, 3.0, 0.0, 3.0}, {0.0, 0.0, 3.0, 3.0});
  EXPECT_FALSE(quad.translated);
  EXPECT_EQ(quad.centreX, 0.0);
  EXPECT_EQ(quad.centreY, 0.0);
}

TEST(TileQuadTest, UndoScaleMultipliesByTheReciprocal) {
  TileQuad quad({0.1, 0.0, 0.0, 0.0}, {0.0, 0.0, 0.0, 0.0});
  quad.scale(3.0, 3.0);
  quad.undoScale();
  const double byReciprocal = (0.1 * 3.0) * (1 / 3.0);
  const double byDivision = (0.1 * 3.0) / 3.0;
  ASSERT_NE(byReciprocal, byDivision);  // the case tells the two apart
  EXPECT_EQ(quad.cornerX[0], byReciprocal);
}

}  // namespace
}  // namespace marl
