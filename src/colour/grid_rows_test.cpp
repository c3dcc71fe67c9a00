#include "colour/grid_rows.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <sstream>
#include <vector>

#include "colour/colour_renderer.h"
#include "colour/gradient_renderer.h"
#include "image/image_file.h"
#include "colour/palettes.h"
#include "support/decoded_image.h"

namespace marl {
namespace {

constexpr uint32_t Side = 40;
constexpr uint32_t StartColour = 0xFF102030u;
constexpr uint32_t FinishColour = 0xFFF0E0D0u;

// Every fifth cell unvisited, the rest a wide spread of counts.
void fill(HitGrid& grid) {
  grid.setSize(Side);
  for (uint32_t y = 0; y < Side; ++y)
    for (uint32_t x = 0; x < Side; ++x)
      grid.at(y, x) = (x + 3 * y) % 5 == 0 ? 0 : 1 + (x * 97 + y * 31) % 4000;
}

// The grid above with its colours built, 8 and 16 bits, by the two-colour
// equalisation or, with `gradient`, through a palette's gradient.
struct Coloured {
  HitGrid grid;
  ColourRenderer renderer;
  CountColours colours;
  explicit Coloured(bool gradient = false) {
    fill(grid);
    if (gradient) {
      GradientScheme scheme;
      scheme.stops = findPalette("magma")->stops;
      scheme.tone = Tone::Log;
      colours = gradientColours(grid, scheme, 16);
    } else {
      renderer.buildPalette(grid, StartColour, FinishColour);
      colours = renderer.countColours(grid, 16);
    }
  }
};

std::vector<unsigned char> allRows(GridRows& rows) {
  std::vector<unsigned char> out(rows.shape().rowBytes() * Side);
  rows.readRows(0, int(Side), out.data());
  return out;
}

// A cut of the plane the grid tiles: pixel (x, y) is the whole grid's pixel
// ((x + 10) mod Side, (y + 5) mod Side) for shifts of 0.25 and 0.125 periods,
// at 8 and 16 bits, across more than one period and in bands read bottom
// band first, as a rereadable source may be.
TEST(GridRowsTest, AViewShowsTheWrappedCellsOfTheWholeGrid) {
  Coloured coloured;
  for (int depth : {8, 16}) {
    GridRows whole(coloured.grid, coloured.colours, depth, Background{});
    const std::vector<unsigned char> square = allRows(whole);
    const uint32_t width = 2 * Side + 7, height = Side + 9;
    GridRows cut(coloured.grid, coloured.colours, depth, Background{},
                 TorusView(Side, width, height, 0.25, 0.125));
    ASSERT_EQ(cut.shape().width, int(width));
    ASSERT_EQ(cut.shape().height, int(height));
    const std::size_t pixel = std::size_t(3 * depth / 8);
    ASSERT_TRUE(cut.rereadable());
    std::vector<unsigned char> rows(cut.shape().rowBytes() * height);
    for (int y = int(height - 1) / 16 * 16; y >= 0; y -= 16) {
      const int count = std::min(16, int(height) - y);
      cut.readRows(y, count, rows.data() + y * cut.shape().rowBytes());
    }
    for (uint32_t y = 0; y < height; ++y) {
      for (uint32_t x = 0; x < width; ++x) {
        const unsigned char* got =
            rows.data() + y * cut.shape().rowBytes() + x * pixel;
        const unsigned char* want =
            square.data() + ((y + 5) % Side) * whole.shape().rowBytes() +
            ((x + 10) % Side) * pixel;
        ASSERT_TRUE(std::equal(got, got + pixel, want))
            << "depth " << depth << " at " << x << ", " << y;
      }
    }
  }
}

TEST(GridRowsTest, TransparentBackgroundInPngClearsExactlyTheUnvisitedCells) {
  Coloured coloured;
  const HitGrid& grid = coloured.grid;
  const ColourRenderer& renderer = coloured.renderer;
  const CountColours& colours = coloured.colours;
  std::string folder =
      (std::filesystem::temp_directory_path() / "marl-rows-XXXXXX").string();
  ASSERT_NE(mkdtemp(folder.data()), nullptr);
  for (int depth : {8, 16}) {
    GridRows rows(grid, colours, depth, {Background::Transparent, 0});
    const std::string name = folder + "/a" + std::to_string(depth) + ".png";
    std::ostringstream err;
    ASSERT_TRUE(writeImageFile(rows, *findFormat("png"), name, err, {}))
        << err.str();
    const marl_test::DecodedImage png = marl_test::decodeImageFile(name);
    ASSERT_EQ(png.width, int(Side));
    EXPECT_EQ(png.depth, depth);
    EXPECT_TRUE(png.alpha);
    const double scale = ColourRenderer::countScale(grid);
    for (uint32_t y = 0; y < Side; ++y)
      for (uint32_t x = 0; x < Side; ++x) {
        const uint32_t pixel = png.at(int(x), int(y));
        const uint32_t count = grid.at(y, x);
        if (count == 0) {
          ASSERT_EQ(pixel >> 24, 0u) << x << "," << y;
        } else {
          ASSERT_EQ(pixel >> 24, 0xFFu) << x << "," << y;
          if (depth == 8) {
            ASSERT_EQ(pixel,
                      renderer.palette[ColourRenderer::entryFor(count, scale)]);
          }
        }
      }
  }
  std::filesystem::remove_all(folder);
}

// 16 bits are the colouring's own, not the 8-bit value times 257: they
// agree with the 8-bit picture in their high byte (truncation and rounding
// may differ by one) and tell apart colours the 8-bit picture cannot. So in
// both colourings.
TEST(GridRowsTest, DeepRowsCarryTheGradientsOwnLowBits) {
  for (bool gradient : {false, true}) {
    SCOPED_TRACE(gradient ? "gradient" : "two colours");
    Coloured coloured(gradient);
    const HitGrid& grid = coloured.grid;
    GridRows shallow(grid, coloured.colours, 8, {});
    GridRows deep(grid, coloured.colours, 16, {});
    EXPECT_EQ(deep.shape().rowBytes(), 2 * shallow.shape().rowBytes());
    const std::vector<unsigned char> bytes = allRows(shallow);
    const std::vector<unsigned char> words = allRows(deep);
    const auto* samples = reinterpret_cast<const uint16_t*>(words.data());
    std::set<unsigned> shallowLevels, deepLevels;
    bool widenedOnly = true;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      EXPECT_LE(std::abs(int(samples[i] >> 8) - int(bytes[i])), 1) << i;
      widenedOnly &= samples[i] == bytes[i] * 257;
      if (i % 3 == 0) {
        shallowLevels.insert(bytes[i]);
        deepLevels.insert(samples[i]);
      }
    }
    EXPECT_FALSE(widenedOnly);
    EXPECT_GT(deepLevels.size(), 2 * shallowLevels.size());
  }
}

TEST(GridRowsTest, ColourBackgroundPaintsOnlyTheUnvisitedCells) {
  for (bool gradient : {false, true}) {
    SCOPED_TRACE(gradient ? "gradient" : "two colours");
    Coloured coloured(gradient);
    const HitGrid& grid = coloured.grid;
    GridRows plain(grid, coloured.colours, 8, {});
    GridRows painted(grid, coloured.colours, 8,
                     {Background::Colour, 0x0A0B0Cu});
    GridRows deep(grid, coloured.colours, 16, {Background::Colour, 0x0A0B0Cu});
    EXPECT_FALSE(painted.shape().alpha);
    const std::vector<unsigned char> a = allRows(plain), b = allRows(painted);
    const std::vector<unsigned char> d = allRows(deep);
    const auto* words = reinterpret_cast<const uint16_t*>(d.data());
    for (uint32_t i = 0; i < Side * Side; ++i) {
      const bool unvisited = grid.at(i / Side, i % Side) == 0;
      for (int c = 0; c < 3; ++c) {
        const unsigned char expected = unvisited ? 0x0A + c : a[3 * i + c];
        ASSERT_EQ(b[3 * i + c], expected) << i;
        if (unvisited) {
          ASSERT_EQ(words[3 * i + c], expected * 257) << i;
        }
      }
    }
  }
}

// The 8-bit rows are each cell's colour as either colouring finds it: the
// two-colour palette's entry for the count, or the gradient's 8-bit colour
// of the count's bin (the same whether the table was built for 8 or 16
// bits).
TEST(GridRowsTest, EightBitRowsAreEachCellsColour) {
  for (bool gradient : {false, true}) {
    SCOPED_TRACE(gradient ? "gradient" : "two colours");
    Coloured coloured(gradient);
    std::vector<uint32_t> byBin;
    ColourRenderer renderer;
    if (gradient) {
      GradientScheme scheme;
      scheme.stops = findPalette("magma")->stops;
      scheme.tone = Tone::Log;
      byBin = gradientColours(coloured.grid, scheme, 8).colours8;
    } else {
      renderer.buildPalette(coloured.grid, StartColour, FinishColour);
    }
    const double scale = ColourRenderer::countScale(coloured.grid);
    GridRows rows(coloured.grid, coloured.colours, 8, {});
    const std::vector<unsigned char> bytes = allRows(rows);
    for (uint32_t y = 0; y < Side; ++y)
      for (uint32_t x = 0; x < Side; ++x) {
        const uint32_t count = coloured.grid.at(y, x);
        const uint32_t expected =
            gradient ? byBin[countBin(count)]
                     : renderer.palette[ColourRenderer::entryFor(count, scale)];
        const unsigned char* p = &bytes[3 * (y * Side + x)];
        ASSERT_EQ(
            0xFF000000u | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2],
            expected)
            << x << "," << y;
      }
  }
}

}  // namespace
}  // namespace marl
