#include "quazi/tile_reach.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/random_source.h"
#include "quazi/quazi_image.h"
#include "quazi/tile_brush.h"

namespace marl {
namespace {

std::vector<PaintedTile> drawn(const QuaziSettings& settings,
                               const std::vector<double>& units, int side,
                               bool windowed) {
  QuaziTiling tiling(50.0, units, 21u);
  TileWindow window;
  window.scale = settings.qscale * (2.0 * side - 2.0);
  window.shiftX = settings.qx;
  window.shiftY = settings.qy;
  window.separation = settings.qsep;
  window.width = window.height = settings.qsize;
  tiling.buildTiles(2, windowed ? &window : nullptr);
  placeTiles(&tiling, settings, side, 2);
  return tilesToPaint(tiling, settings.qsize, settings.qsize, 1);
}

TEST(TileReachTest, TilesLeftOutAreNeverOnesThatWouldBeDrawn) {
  // Settings across the drawn ranges and beyond: every family count kind,
  // the smallest and largest view scales, centres inside and outside the
  // picture. The tiles drawn must be the same, corner for corner.
  const struct {
    int side;
    QuaziSettings settings;
  } cases[] = {
      {1201, {42, 2642, 1321, 1321, 0.05, 0.05}},
      {1201, {42, 1000, 20, 900, 0.05, 0.1}},
      {600, {5, 1300, 640, 60, 0.05, 0.01}},
      {600, {6, 700, 350, 350, 0.3, 0.05}},
      {300, {13, 660, 3000, -200, 0.07, 0.08}},
      {200, {24, 440, 100, 400, 3.0, 0.1}},
      {1000, {41, 2000, 1999, 1, 0.05, 0.02}},
      {40, {17, 88, 44, 44, 1.0, 0.05}},
  };
  RandomSource random;
  for (const auto& c : cases) {
    SCOPED_TRACE("qline " + std::to_string(c.settings.qline) + ", qscale " +
                 std::to_string(c.settings.qscale));
    const std::vector<double> units =
        drawSpacingUnits(random, uint32_t(c.settings.qline));
    const std::vector<PaintedTile> all = drawn(c.settings, units, c.side, false);
    const std::vector<PaintedTile> some = drawn(c.settings, units, c.side, true);
    ASSERT_EQ(some.size(), all.size());
    ASSERT_FALSE(all.empty());
    for (std::size_t t = 0; t < all.size(); ++t) {
      ASSERT_EQ(std::memcmp(&some[t], &all[t], sizeof(PaintedTile)), 0)
          << "tile " << t;
    }
  }
}

TEST(TileReachTest, MostTilesOfALargeTilingAreNotWorkedOut) {
  // At 42 families and the smallest view scale, a few hundred of the
  // 379,701 tiles show; the rest should cost nothing.
  RandomSource random;
  const std::vector<double> units = drawSpacingUnits(random, 42u);
  QuaziTiling tiling(50.0, units, 21u);
  TileWindow window;
  window.scale = 0.05 * 2400;
  window.shiftX = window.shiftY = 1321;
  window.separation = 0.05;
  window.width = window.height = 2642;
  tiling.buildTiles(1, &window);
  int built = 0;
  for (int t = 0; t < tiling.tileCount(); ++t) built += tiling.isBuilt(t);
  EXPECT_LT(built, tiling.tileCount() / 20);
  EXPECT_TRUE(tiling.isBuilt(0));
}

}  // namespace
}  // namespace marl
