#include "quazi/tile_quad.h"

#include <gtest/gtest.h>

namespace marl {
namespace {

void expectCorners(const TileQuad& q, const double (&xs)[4],
                   const double (&ys)[4]) {
  for (int k = 0; k < 4; ++k) {
    EXPECT_DOUBLE_EQ(q.cornerX[k], xs[k]) << k;
    EXPECT_DOUBLE_EQ(q.cornerY[k], ys[k]) << k;
  }
}

TEST(TileQuadTest, TranslationAndScaleReplaceTheirPredecessors) {
  TileQuad q({1.0, 2.0, 1.5, 2.5}, {1.0, 1.0, 2.0, 2.0});
  q.scale(2.0, 2.0);
  EXPECT_EQ(q.centreX, 0.0);  // no translation yet: centre untouched
  q.translate(7.0, 9.0);
  q.translate(100.0, 50.0);  // only the second move stays
  expectCorners(q, {102.0, 104.0, 103.0, 105.0}, {52.0, 52.0, 54.0, 54.0});
  EXPECT_DOUBLE_EQ(q.centreX, 103.5);
  EXPECT_DOUBLE_EQ(q.centreY, 53.0);

  q.scale(3.0, 0.5);  // 3 and 0.5 times the corners as built, moved back
  expectCorners(q, {103.0, 106.0, 104.5, 107.5}, {50.5, 50.5, 51.0, 51.0});
  EXPECT_DOUBLE_EQ(q.centreX, 105.25);

  q.undoTranslate();
  EXPECT_DOUBLE_EQ(q.centreX, 105.25);  // left as it was
  q.undoTranslate();
  q.undoScale();
  expectCorners(q, {1.0, 2.0, 1.5, 2.5}, {1.0, 1.0, 2.0, 2.0});
  EXPECT_FALSE(q.scaled || q.translated);
  EXPECT_EQ(q.scaleX, 1.0);
  EXPECT_EQ(q.shiftX, 0.0);
}

TEST(TileQuadTest, UndoScaleMultipliesByTheReciprocal) {
  TileQuad q({0.1, 0.0, 0.0, 0.0}, {0.0, 0.0, 0.0, 0.0});
  q.scale(3.0, 3.0);
  q.undoScale();
  ASSERT_NE((0.1 * 3.0) * (1 / 3.0), (0.1 * 3.0) / 3.0);
  EXPECT_EQ(q.cornerX[0], (0.1 * 3.0) * (1 / 3.0));
}

}  // namespace
}  // namespace marl
