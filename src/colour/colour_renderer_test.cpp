#include "colour/colour_renderer.h"

#include <gtest/gtest.h>

#include "colour/grid_rows.h"
#include "support/memory_rows.h"

namespace marl {
namespace {

using marl_test::Pixels;

constexpr uint32_t Black = 0xFF000000u;
constexpr uint32_t White = 0xFFFFFFFFu;

uint32_t rgb(uint32_t r, uint32_t g, uint32_t b) {
  return 0xFF000000u | r << 16 | g << 8 | b;
}

uint32_t grey(uint32_t v) { return rgb(v, v, v); }

// The picture of `grid` as the job colours it with `renderer`'s palette.
Pixels pictureOf(const ColourRenderer& renderer, const HitGrid& grid) {
  const CountColours colours = renderer.countColours(grid, 8);
  GridRows rows(grid, colours, 8, Background{});
  return marl_test::readPixels(rows);
}

// Builds the palette for `grid`, colours the grid into `picture` and
// returns the renderer used.
ColourRenderer render(Pixels& picture, HitGrid& grid, uint32_t start,
                      uint32_t finish) {
  ColourRenderer renderer;
  renderer.buildPalette(grid, start, finish);
  picture = pictureOf(renderer, grid);
  return renderer;
}

TEST(ColourRendererTest, EmptyGridPaintsCurveAtZero) {
  HitGrid grid;
  grid.setSize(8);
  Pixels bitmap;
  // A channel that rises shows one less than its start, but never below 0;
  // a falling or flat one shows its start.
  ColourRenderer renderer =
      render(bitmap, grid, rgb(100, 0, 200), rgb(200, 255, 50));
  for (double share : renderer.countHistogram) ASSERT_EQ(share, 0.0);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      ASSERT_EQ(bitmap.at(x, y), rgb(99, 0, 200)) << x << "," << y;

  Pixels flat;
  render(flat, grid, rgb(40, 40, 40), rgb(40, 41, 39));
  EXPECT_EQ(flat.at(5, 3), rgb(40, 39, 40));
}

TEST(ColourRendererTest, EqualColoursPaintThatColourEverywhere) {
  HitGrid grid;
  grid.setSize(16);
  for (uint32_t y = 0; y < 16; ++y)
    for (uint32_t x = 0; x < 16; ++x) grid.at(y, x) = (x * 7 + y * 3) % 11;
  Pixels bitmap;
  const uint32_t colour = rgb(12, 34, 56);
  render(bitmap, grid, colour, colour);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) ASSERT_EQ(bitmap.at(x, y), colour);
}

TEST(ColourRendererTest, QuarterAtMaximumBlackToWhite) {
  HitGrid grid;
  grid.setSize(20);
  for (uint32_t y = 15; y < 20; ++y)
    for (uint32_t x = 0; x < 20; ++x) grid.at(y, x) = 7;
  grid.maxCount = 7;
  Pixels bitmap;
  render(bitmap, grid, Black, White);
  EXPECT_EQ(bitmap.at(0, 0), grey(191));
  EXPECT_EQ(bitmap.at(19, 14), grey(191));
  EXPECT_EQ(bitmap.at(0, 15), grey(254));
  EXPECT_EQ(bitmap.at(19, 19), grey(254));
}

TEST(ColourRendererTest, FourCellsBinsAndPixels) {
  HitGrid grid;
  grid.setSize(2);
  grid.at(0, 0) = 0;
  grid.at(0, 1) = 5;
  grid.at(1, 0) = 10;
  grid.at(1, 1) = 10;
  // maxCount left at 0: the histogram's own refresh must find the 10.
  ColourRenderer renderer;
  renderer.buildCountHistogram(grid);
  EXPECT_EQ(grid.maxCount, 10u);
  EXPECT_EQ(renderer.countHistogram[0], 0.25);
  EXPECT_EQ(renderer.countHistogram[5999], 0.25);
  EXPECT_EQ(renderer.countHistogram[11998], 0.5);
  EXPECT_EQ(renderer.countHistogram[11999], 0.0);
  double sum = 0.0;
  for (double share : renderer.countHistogram) sum += share;
  EXPECT_EQ(sum, 1.0);

  renderer.buildPalette(grid, Black, White);
  const Pixels bitmap = pictureOf(renderer, grid);
  EXPECT_EQ(bitmap.at(0, 0), grey(63));
  EXPECT_EQ(bitmap.at(1, 0), grey(127));
  EXPECT_EQ(bitmap.at(0, 1), grey(254));
  EXPECT_EQ(bitmap.at(1, 1), grey(254));
}

TEST(ColourRendererTest, NearMaximumSharesTopBin) {
  HitGrid grid;
  grid.setSize(2);
  grid.at(0, 0) = 200000000;
  grid.at(0, 1) = 199999999;  // ratio above 0.99999999
  grid.at(1, 0) = 199970000;  // ratio 0.99985: one bin lower
  ColourRenderer renderer;
  renderer.buildCountHistogram(grid);
  EXPECT_EQ(renderer.countHistogram[11998], 0.5);
  EXPECT_EQ(renderer.countHistogram[11997], 0.25);
  EXPECT_EQ(renderer.countHistogram[0], 0.25);
}

TEST(ColourRendererTest, PixelShowsGridRowYColumnX) {
  HitGrid grid;
  grid.setSize(1000);
  // A band of light hits keeps the empty cells' colour well below white.
  for (uint32_t y = 900; y < 1000; ++y)
    for (uint32_t x = 0; x < 1000; ++x) grid.at(y, x) = 1;
  grid.at(750, 250) = 10;  // map point (0.25, 0.75)
  Pixels bitmap;
  render(bitmap, grid, Black, White);
  const uint32_t empty = bitmap.at(0, 0);
  EXPECT_EQ(empty, grey(229));
  EXPECT_EQ(bitmap.at(250, 750), grey(254));
  EXPECT_EQ(bitmap.at(750, 250), empty);
  EXPECT_EQ(bitmap.at(251, 750), empty);
  EXPECT_EQ(bitmap.at(250, 749), empty);
}

TEST(ColourRendererTest, MarginHitRaisesMaxCountButIsNotPainted) {
  HitGrid grid;
  grid.setSize(4);
  for (uint32_t x = 0; x < 4; ++x) {
    grid.at(0, x) = 10;
    grid.at(1, x) = 10;
  }
  grid.at(4, 2) = 20;   // row `size`: a second coordinate of exactly 1.0
  grid.maxCount = 20;   // as the run loop leaves it
  Pixels bitmap;
  ColourRenderer renderer = render(bitmap, grid, Black, White);
  EXPECT_EQ(grid.maxCount, 20u);
  // Counts of 10 are half of the maximum, not the maximum.
  EXPECT_EQ(renderer.countHistogram[5999], 0.5);
  EXPECT_EQ(renderer.countHistogram[11998], 0.0);
  EXPECT_EQ(bitmap.at(0, 0), grey(254));
  EXPECT_EQ(bitmap.at(3, 3), grey(127));
  // Nothing beyond the counted square is read or painted.
  EXPECT_EQ(bitmap.width, 4);
  EXPECT_EQ(bitmap.height, 4);
}

TEST(ColourRendererTest, PaletteEntryElevenNineNineNineIsNeverWritten) {
  HitGrid grid;
  grid.setSize(3);
  grid.at(1, 1) = 4;
  ColourRenderer renderer;
  renderer.palette[11999] = 0x12345678u;
  renderer.buildPalette(grid, Black, White);
  EXPECT_EQ(renderer.palette[11999], 0x12345678u);
  EXPECT_EQ(renderer.palette[11998], grey(254));
  // Eight ninths of the cells are in bin 0.
  EXPECT_EQ(renderer.palette[0], grey(226));
  EXPECT_EQ(renderer.palette[11997], grey(226));
}

TEST(ColourRendererTest, GradientSegmentStopsPastLastPoint) {
  ColourRenderer renderer;
  renderer.countHistogram[0] = 0.301;
  renderer.countHistogram[1] = 0.3;
  renderer.countHistogram[2] = 0.4;
  renderer.palette[2] = 0x12345678u;
  ChannelTriple red{0.0, 0.0, 100.0};
  ChannelTriple green{100.0, 0.0, 0.0};
  ChannelTriple blue{9.0, 0.0, 9.0};
  const GradientPoints points{0.0, 0.25, 0.5};
  int next = 0;
  const double reached =
      renderer.fillGradientSegment(red, green, blue, points, 0.0, next);
  EXPECT_EQ(red.middle, 50.0);
  EXPECT_EQ(green.middle, 50.0);
  EXPECT_EQ(blue.middle, 9.0);
  EXPECT_DOUBLE_EQ(reached, 0.601);
  EXPECT_EQ(next, 2);
  // Red 200 X, green 100 - 200 X.
  EXPECT_EQ(renderer.palette[0], rgb(60, 39, 9));
  EXPECT_EQ(renderer.palette[1], rgb(120, 20, 9));  // beyond p2: not clamped
  EXPECT_EQ(renderer.palette[2], 0x12345678u);

  // Starting past p2 writes nothing.
  next = 5;
  EXPECT_EQ(renderer.fillGradientSegment(red, green, blue, points, 0.7, next),
            0.7);
  EXPECT_EQ(next, 5);
  EXPECT_EQ(renderer.palette[5], 0u);
}

TEST(ColourRendererTest, ChannelTakesAbsoluteValueAndWraps) {
  ColourRenderer renderer;
  renderer.countHistogram[0] = 0.101;
  renderer.countHistogram[1] = 0.389;  // running fraction 0.49
  // Along 0.5 .. 1.0 these lines are 255 (2 - 2X) and 255 (2X - 1); before
  // 0.5 the first passes 256 and the second goes negative.
  ChannelTriple red{255.0, 0.0, 0.0};
  ChannelTriple green{0.0, 0.0, 255.0};
  ChannelTriple blue{7.0, 0.0, 7.0};
  int next = 0;
  renderer.fillGradientSegment(red, green, blue, GradientPoints{0.5, 0.75, 1.0},
                               0.0, next);
  // X = 0.101: 458.49 wraps to 202; -203.49 shows as 203.
  EXPECT_EQ(renderer.palette[0], rgb(202, 203, 7));
  // X = 0.49: 260.1 wraps to 4; -5.1 shows as 5.
  EXPECT_EQ(renderer.palette[1], rgb(4, 5, 7));
}

}  // namespace
}  // namespace marl
