#include "colour/gradient_renderer.h"

#include <cmath>
#include <set>

#include <gtest/gtest.h>

#include "colour/grid_rows.h"
#include "colour/palettes.h"
#include "support/colour_path.h"
#include "support/memory_rows.h"

namespace marl {
namespace {

using marl_test::Pixels;

// The 8-bit picture of `grid` coloured through `scheme`, as the job makes
// it.
Pixels pictureOf(const HitGrid& grid, const GradientScheme& scheme) {
  const CountColours colours = gradientColours(grid, scheme, 8);
  GridRows rows(grid, colours, 8, Background{});
  return marl_test::readPixels(rows);
}

// A 60 x 60 grid: a quarter of it empty, the rest counts from 1 to about
// 200000, a few cells at the top.
void fillGrid(HitGrid& grid) {
  grid.setSize(60);
  for (uint32_t y = 0; y < 60; ++y)
    for (uint32_t x = 15; x < 60; ++x) grid.at(y, x) = (x * x * y * 37) % 200000 + 1;
}

TEST(GradientRendererTest, PalettePixelsLieOnItsGradientFromFirstToLastStop) {
  HitGrid grid;
  fillGrid(grid);
  grid.at(7, 40) = 4000000000u;
  for (const char* name : {"magma", "twilight", "neon"}) {
    const Palette& palette = *findPalette(name);
    std::vector<std::array<double, 3>> path;
    std::vector<uint32_t> stops;
    for (const Rgb& s : palette.stops) {
      path.push_back({s.r, s.g, s.b});
      stops.push_back(packArgb8(s) & 0xFFFFFF);
    }
    for (Tone tone : {Tone::Equalize, Tone::Log, Tone::Linear}) {
      for (bool reverse : {false, true}) {
        SCOPED_TRACE(std::string(name) + " tone " + std::to_string(int(tone)) +
                     (reverse ? " reversed" : ""));
        GradientScheme scheme;
        scheme.stops = palette.stops;
        scheme.tone = tone;
        scheme.reverse = reverse;
        const Pixels bitmap = pictureOf(grid, scheme);
        std::set<uint32_t> colours;
        for (int y = 0; y < 60; ++y)
          for (int x = 0; x < 60; ++x) colours.insert(bitmap.at(x, y));
        EXPECT_GT(colours.size(), 50u);
        for (uint32_t colour : colours) {
          EXPECT_EQ(colour >> 24, 0xFFu);
          // The table's own steps and the rounding: within one 8-bit step.
          EXPECT_LE(marl_test::distanceToPath(path, colour & 0xFFFFFF), 1.0)
              << std::hex << colour;
        }
        const uint32_t first = 0xFF000000u | (reverse ? stops.back() : stops.front());
        const uint32_t last = 0xFF000000u | (reverse ? stops.front() : stops.back());
        EXPECT_EQ(bitmap.at(0, 0), first);   // empty
        EXPECT_EQ(bitmap.at(14, 59), first);
        EXPECT_EQ(bitmap.at(40, 7), last);   // the fullest
      }
    }
  }
}

TEST(GradientRendererTest, LogToneAlongTwoStops) {
  // Two stops, black to white, with the log tone: counts 1, 10 and 100
  // below a top of 1000 sit at log(2), log(11) and log(101) over log(1001).
  HitGrid grid;
  grid.setSize(100);
  for (uint32_t y = 0; y < 100; ++y)
    for (uint32_t x = 0; x < 100; ++x) grid.at(y, x) = 1000;
  grid.at(0, 0) = 1;
  grid.at(0, 1) = 10;
  grid.at(0, 2) = 100;
  grid.at(0, 3) = 0;
  GradientScheme scheme;
  scheme.stops = {rgbFromHex(0x000000), rgbFromHex(0xffffff)};
  scheme.tone = Tone::Log;
  const Pixels bitmap = pictureOf(grid, scheme);
  const double top = std::log(1001.0);
  for (auto [x, count] : {std::pair<int, double>{0, 1}, {1, 10}, {2, 100}, {3, 0}}) {
    const uint32_t grey = uint32_t(std::lround(255.0 * std::log1p(count) / top));
    EXPECT_EQ(bitmap.at(x, 0), 0xFF000000u | grey * 0x010101u) << count;
  }
  EXPECT_EQ(bitmap.at(50, 50), 0xFFFFFFFFu);
}

}  // namespace
}  // namespace marl
