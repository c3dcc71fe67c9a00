#include "quazi/quazi_tiling.h"

#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "attractor/random_source.h"

namespace marl {
namespace {

// Five families, every spacing 50: the tiling the worked examples use.
QuaziTiling evenlySpacedFive() {
  QuaziTiling tiling(50.0, std::vector<double>(5, 0.0), 21);
  tiling.buildTiles();
  return tiling;
}

// Corner v of the tile on lines (l, i) of families (r, s), from the strip
// numbers the other families give the crossing, summed in family order.
double cornerSum(const QuaziTiling& tiling, std::size_t r, std::size_t s,
                 int l, int i, int v, const std::vector<double>& strips,
                 bool alongX) {
  double sum = 0.0;
  for (std::size_t j = 0; j < tiling.familyCount(); ++j) {
    double strip = strips[j];
    if (j == r) strip = l + (v & 1);
    if (j == s) strip = i + (v >> 1);
    const LineFamily& f = tiling.families()[j];
    sum += (strip + 1) * (alongX ? f.cosAngle : f.sinAngle);
  }
  return sum;
}

TEST(QuaziTilingTest, ConstructionDrawsOneSpacingPerFamilyInOrder) {
  randomEngine.seed(4711u);
  const boost::random::mt19937 before = randomEngine;
  std::vector<double> units;
  for (int j = 0; j < 13; ++j) units.push_back(drawUnit());
  const boost::random::mt19937 afterThirteen = randomEngine;
  randomEngine = before;

  const QuaziTiling tiling(50.0, 13u, 21u);
  EXPECT_EQ(randomEngine, afterThirteen);
  ASSERT_EQ(tiling.families().size(), 13u);
  EXPECT_EQ(tiling.familyCount(), 13u);
  EXPECT_EQ(tiling.linesPerFamily(), 21u);
  EXPECT_EQ(tiling.angleStep(), 6.283185307 / 13);
  EXPECT_EQ(tiling.separation(), 0.02);
  EXPECT_EQ(tiling.tileCount(), 0);
  for (int j = 0; j < 13; ++j) {
    const LineFamily& family = tiling.families()[j];
    EXPECT_EQ(family.index, j);
    EXPECT_EQ(family.spacing, 50.0 + 50.0 * units[j]);
    EXPECT_EQ(family.angle, j * (6.283185307 / 13) + 0.01);
    EXPECT_EQ(family.lineCount, 21);
    EXPECT_EQ(family.lines.size(), 21u);
  }
  // Building the tiles draws nothing more.
  QuaziTiling built(50.0, 5u, 21u);
  const boost::random::mt19937 beforeTiles = randomEngine;
  built.buildTiles();
  EXPECT_EQ(randomEngine, beforeTiles);
}

TEST(QuaziTilingTest, WorkedExampleTiles) {
  const QuaziTiling tiling = evenlySpacedFive();
  ASSERT_EQ(tiling.tileCount(), 4410);
  const std::vector<LineFamily>& f = tiling.families();

  struct Case {
    std::size_t tile;
    int i, l;
    double crossX, crossY;
    std::vector<double> strips;  // families 2, 3, 4
    double xs[4], ys[4];
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
    // Tile t of pair (0, 1) is line l = t % 21 of family 0 crossing line
    // i = t / 21 of family 1.
    const GridLine& a = f[0].lines[c.l];
    const GridLine& b = f[1].lines[c.i];
    const double x = (a.intercept - b.intercept) / (b.slope - a.slope);
    const double y = x * a.slope + a.intercept;
    EXPECT_NEAR(x, c.crossX, 1e-4);
    EXPECT_NEAR(y, c.crossY, 1e-4);
    for (int j = 2; j < 5; ++j) {
      EXPECT_EQ(f[j].stripIndex(x, y), c.strips[j - 2]) << "family " << j;
    }

    const std::vector<double> strips = {0, 0, c.strips[0], c.strips[1],
                                        c.strips[2]};
    const TileQuad& tile = tiling.tiles()[c.tile];
    for (int v = 0; v < 4; ++v) {
      EXPECT_NEAR(tile.cornerX[v], c.xs[v], 1e-6) << "corner " << v;
      EXPECT_NEAR(tile.cornerY[v], c.ys[v], 1e-6) << "corner " << v;
      // Bit for bit the sum in family order.
      EXPECT_EQ(tile.cornerX[v], cornerSum(tiling, 0, 1, c.l, c.i, v, strips, true));
      EXPECT_EQ(tile.cornerY[v], cornerSum(tiling, 0, 1, c.l, c.i, v, strips, false));
    }
    EXPECT_FALSE(tile.scaled);
    EXPECT_FALSE(tile.translated);
  }
}

TEST(QuaziTilingTest, EveryTileIsAUnitRhombusAlongItsTwoFamilies) {
  const QuaziTiling tiling = evenlySpacedFive();
  const std::vector<LineFamily>& f = tiling.families();
  std::size_t t = 0;
  for (std::size_t r = 0; r < 4; ++r) {
    for (std::size_t s = r + 1; s < 5; ++s) {
      for (int k = 0; k < 21 * 21; ++k, ++t) {
        const TileQuad& q = tiling.tiles()[t];
        ASSERT_NEAR(q.cornerX[1] - q.cornerX[0], f[r].cosAngle, 1e-9) << t;
        ASSERT_NEAR(q.cornerY[1] - q.cornerY[0], f[r].sinAngle, 1e-9) << t;
        ASSERT_NEAR(q.cornerX[2] - q.cornerX[0], f[s].cosAngle, 1e-9) << t;
        ASSERT_NEAR(q.cornerY[2] - q.cornerY[0], f[s].sinAngle, 1e-9) << t;
        ASSERT_NEAR(q.cornerX[3], q.cornerX[1] + q.cornerX[2] - q.cornerX[0],
                    1e-9) << t;
        ASSERT_NEAR(q.cornerY[3], q.cornerY[1] + q.cornerY[2] - q.cornerY[0],
                    1e-9) << t;
      }
    }
  }
  EXPECT_EQ(t, 4410u);
}

TEST(QuaziTilingTest, ViewWorkedExample) {
  QuaziTiling tiling = evenlySpacedFive();
  tiling.setShift(600.0, 600.0);
  tiling.setViewScale(0.05);
  tiling.scaleTiles(2400.0);
  tiling.translateTiles();

  const TileQuad& tile = tiling.tiles()[220];
  const double xs[4] = {405.846, 525.840, 441.785, 561.779};
  const double ys[4] = {598.058, 599.258, 712.550, 713.750};
  for (int v = 0; v < 4; ++v) {
    EXPECT_NEAR(tile.cornerX[v], xs[v], 1e-3);
    EXPECT_NEAR(tile.cornerY[v], ys[v], 1e-3);
  }
  EXPECT_NEAR(tile.centreX, 483.812, 1e-3);
  EXPECT_NEAR(tile.centreY, 655.904, 1e-3);

  // Separation 0.02 is the value a tiling starts with.
  const PixelPoint drawn220[3] = {{404, 596}, {526, 598}, {440, 713}};
  const PixelPoint drawn0[3] = {{-2451, -1664}, {-2329, -1663}, {-2415, -1547}};
  for (int v = 0; v < 3; ++v) {
    EXPECT_EQ(tiling.tileCorner(220, v).x, drawn220[v].x) << v;
    EXPECT_EQ(tiling.tileCorner(220, v).y, drawn220[v].y) << v;
    // Tile 0 lies left of and above the origin: truncation goes toward zero.
    EXPECT_EQ(tiling.tileCorner(0, v).x, drawn0[v].x) << v;
    EXPECT_EQ(tiling.tileCorner(0, v).y, drawn0[v].y) << v;
  }
  EXPECT_TRUE(tiling.tileFits(0));
  EXPECT_TRUE(tiling.tileFits(220));

  // A wider separation pushes corners further out about the centre.
  tiling.setSeparation(0.1);
  EXPECT_EQ(tiling.tileCorner(220, 0).x,
            static_cast<int>(483.812 + (405.846 - 483.812) * 1.1));

  // No point for a tile or corner that does not exist.
  for (std::size_t index : {std::size_t{4410}, std::size_t{1} << 40}) {
    EXPECT_EQ(tiling.tileCorner(index, 0).x, 0);
    EXPECT_EQ(tiling.tileCorner(index, 0).y, 0);
    EXPECT_FALSE(tiling.tileFits(index));
  }
  EXPECT_EQ(tiling.tileCorner(220, 4).x, 0);
  EXPECT_EQ(tiling.tileCorner(220, -1).y, 0);
}

TEST(QuaziTilingTest, CornersBeyondTheIntRangeAreNeverConverted) {
  QuaziTiling tiling = evenlySpacedFive();
  // Tile 0 has corners near (-25, -19) tile units: a scale of 1e8 puts them
  // near -2.5e9, past the int range; tile 220 near the origin still fits.
  tiling.setShift(0.0, 0.0);
  tiling.setViewScale(1e8);
  tiling.scaleTiles(1.0);
  tiling.translateTiles();
  EXPECT_FALSE(tiling.tileFits(0));
  EXPECT_EQ(tiling.tileCorner(0, 0).x, 0);
  EXPECT_EQ(tiling.tileCorner(0, 0).y, 0);
  EXPECT_TRUE(tiling.tileFits(220));
  EXPECT_EQ(tiling.tileCorner(220, 1).x,
            static_cast<int32_t>(tiling.tiles()[220].centreX +
                                 (tiling.tiles()[220].cornerX[1] -
                                  tiling.tiles()[220].centreX) * 1.02));

  // Infinite scale: corners infinite and centres not a number.
  tiling.setViewScale(INFINITY);
  tiling.scaleTiles(1.0);
  tiling.translateTiles();
  for (int t = 0; t < tiling.tileCount(); ++t) {
    ASSERT_FALSE(tiling.tileFits(t)) << t;
    ASSERT_EQ(tiling.tileCorner(t, 2).x, 0) << t;
  }
}

TEST(QuaziTilingTest, TileCountsAndAntiparallelFamilies) {
  randomEngine.seed();
  QuaziTiling tiling(50.0, 42u, 21u);
  tiling.buildTiles();
  ASSERT_EQ(tiling.tileCount(), 379701);

  // Families j and j + 21 run antiparallel: their lines cross so far out
  // that the tiles cannot be placed in any picture. Every other tile can.
  tiling.setShift(1321.0, 1321.0);
  tiling.setViewScale(0.05);
  tiling.scaleTiles(2400.0);
  tiling.translateTiles();
  std::size_t t = 0;
  int antiparallelThatFit = 0;
  for (int r = 0; r < 41; ++r) {
    for (int s = r + 1; s < 42; ++s) {
      const bool antiparallel = s - r == 21;
      for (int k = 0; k < 21 * 21; ++k, ++t) {
        if (!antiparallel) {
          ASSERT_TRUE(tiling.tileFits(t)) << t;
          continue;
        }
        if (!tiling.tileFits(t)) continue;
        // The few whose corners still fit lie millions of pixels out.
        ++antiparallelThatFit;
        const PixelPoint corner = tiling.tileCorner(t, 0);
        ASSERT_GT(std::hypot(corner.x - 1321.0, corner.y - 1321.0), 1e6) << t;
      }
    }
  }
  EXPECT_LT(antiparallelThatFit, 21 * 441 / 100);
}

}  // namespace
}  // namespace marl
