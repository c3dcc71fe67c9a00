#include "quazi/quazi_tiling.h"

#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "base/random_source.h"

namespace marl {
namespace {

TEST(QuaziTilingTest, DrawsOneSpacingPerFamilyInOrder) {
  RandomSource random;
  RandomSource replay = random;
  const std::vector<double> units = drawSpacingUnits(random, 13u);
  ASSERT_EQ(units.size(), 13u);
  for (double u : units) EXPECT_EQ(u, replay.drawUnit());
  EXPECT_EQ(random.engine(), replay.engine());

  QuaziTiling tiling(50.0, units, 21u);
  ASSERT_EQ(tiling.families().size(), 13u);
  for (int j = 0; j < 13; ++j) {
    EXPECT_EQ(tiling.families()[j].spacing, 50.0 + 50.0 * units[j]);
    EXPECT_EQ(tiling.families()[j].angle, j * (6.283185307 / 13) + 0.01);
  }
}

TEST(QuaziTilingTest, WorkedExampleTiles) {
  QuaziTiling tiling(50.0, std::vector<double>(5, 0.0), 21);
  tiling.buildTiles();
  ASSERT_EQ(tiling.tileCount(), 4410);
  const std::vector<LineFamily>& f = tiling.families();
  struct Case {
    int tile, i, l;
    double crossX, crossY, strips[3], xs[4], ys[4];
  } cases[] = {
      {0, 0, 0, 368.2536, -496.3423, {14, 23, 14},
       {-25.420065, -24.420115, -25.120574, -24.120624},
       {-18.859998, -18.849998, -17.905899, -17.895899}},
      {220, 10, 10, 0.000619, 0.000006, {11, 11, 10},
       {-1.617953, -0.618003, -1.318462, -0.318512},
       {-0.016180, -0.006180, 0.937919, 0.947919}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tile);
    const GridLine& a = f[0].lines[c.l];
    const GridLine& b = f[1].lines[c.i];
    const double x = (a.intercept - b.intercept) / (b.slope - a.slope);
    const double y = x * a.slope + a.intercept;
    EXPECT_NEAR(x, c.crossX, 1e-4);
    EXPECT_NEAR(y, c.crossY, 1e-4);
    const TileQuad& tile = tiling.tiles()[c.tile];
    for (int v = 0; v < 4; ++v) {
      // Bit for bit the sum over families, in order, of (strip + 1) times
      // the direction.
      const double own[2] = {double(c.l + (v & 1)), double(c.i + (v >> 1))};
      double sumX = 0.0;
      double sumY = 0.0;
      for (int j = 0; j < 5; ++j) {
        const double strip = j < 2 ? own[j] : f[j].stripIndex(x, y);
        if (j >= 2) {
          EXPECT_EQ(strip, c.strips[j - 2]);
        }
        sumX += (strip + 1) * f[j].cosAngle;
        sumY += (strip + 1) * f[j].sinAngle;
      }
      EXPECT_EQ(tile.cornerX[v], sumX);
      EXPECT_EQ(tile.cornerY[v], sumY);
      EXPECT_NEAR(tile.cornerX[v], c.xs[v], 1e-6);
      EXPECT_NEAR(tile.cornerY[v], c.ys[v], 1e-6);
    }
  }

  // Every tile is a rhombus with unit edges along its two families.
  std::size_t t = 0;
  for (int r = 0; r < 4; ++r) {
    for (int s = r + 1; s < 5; ++s) {
      for (int k = 0; k < 441; ++k, ++t) {
        const TileQuad& q = tiling.tiles()[t];
        ASSERT_NEAR(q.cornerX[1] - q.cornerX[0], f[r].cosAngle, 1e-9) << t;
        ASSERT_NEAR(q.cornerY[2] - q.cornerY[0], f[s].sinAngle, 1e-9) << t;
        ASSERT_NEAR(q.cornerX[3] - q.cornerX[2], q.cornerX[1] - q.cornerX[0],
                    1e-9);
        ASSERT_NEAR(q.cornerY[3] - q.cornerY[1], q.cornerY[2] - q.cornerY[0],
                    1e-9);
      }
    }
  }
}

TEST(QuaziTilingTest, CornersOutsideTheIntRangeAreNeverConverted) {
  QuaziTiling tiling(50.0, std::vector<double>(5, 0.0), 21);
  tiling.buildTiles();
  // Tile 0 lies near (-25, -19) tile units, tile 220 near the origin: at a
  // scale of 1e8 only tile 220 stays within the int range.
  tiling.setViewScale(1e8);
  tiling.scaleTiles(1.0);
  tiling.translateTiles();
  EXPECT_FALSE(tiling.tileFits(0));
  EXPECT_EQ(tiling.tileCorner(0, 0).x, 0);
  ASSERT_TRUE(tiling.tileFits(220));
  const TileQuad& q = tiling.tiles()[220];
  EXPECT_EQ(tiling.tileCorner(220, 1).y,
            int32_t(q.centreY + (q.cornerY[1] - q.centreY) * (0.02 + 1.0)));
  EXPECT_FALSE(tiling.tileFits(4410));
  EXPECT_EQ(tiling.tileCorner(4410, 0).x, 0);
  EXPECT_EQ(tiling.tileCorner(220, 4).y, 0);

  tiling.setViewScale(INFINITY);  // infinite corners, centres not a number
  tiling.scaleTiles(1.0);
  tiling.translateTiles();
  for (int t = 0; t < tiling.tileCount(); ++t) ASSERT_FALSE(tiling.tileFits(t));
}

TEST(QuaziTilingTest, AntiparallelTilesCannotBePlaced) {
  RandomSource random;
  QuaziTiling tiling(50.0, drawSpacingUnits(random, 42u), 21u);
  tiling.buildTiles();
  ASSERT_EQ(tiling.tileCount(), 379701);
  tiling.setShift(1321.0, 1321.0);
  tiling.setViewScale(0.05);
  tiling.scaleTiles(2400.0);
  tiling.translateTiles();
  // Families j and j + 21 run antiparallel and cross extremely far out;
  // the few such tiles whose corners fit lie millions of pixels away.
  std::size_t t = 0;
  for (int r = 0; r < 41; ++r) {
    for (int s = r + 1; s < 42; ++s) {
      for (int k = 0; k < 441; ++k, ++t) {
        if (s - r != 21) {
          ASSERT_TRUE(tiling.tileFits(t)) << t;
        } else if (tiling.tileFits(t)) {
          const PixelPoint p = tiling.tileCorner(t, 0);
          ASSERT_GT(std::hypot(p.x - 1321.0, p.y - 1321.0), 1e6) << t;
        }
      }
    }
  }
}

}  // namespace
}  // namespace marl
