#include "colour/gradient.h"

#include <gtest/gtest.h>

#include "colour/colour_space.h"

namespace marl {
namespace {

constexpr uint32_t Blue = 0x0000ff, Yellow = 0xffff00;

uint32_t rgbOf(const Rgb& c) { return packArgb8(c) & 0xFFFFFFu; }

TEST(GradientTest, OklabMidpointOfBlueAndYellow) {
  // Worked by hand from Ottosson's published matrices, outside this code:
  // blue 0000ff is OKLab (0.45201, -0.03246, -0.31153) and yellow ffff00
  // is (0.96798, -0.07137, 0.19857); their mean (0.70999, -0.05191,
  // -0.05648) is linear sRGB (0.14923, 0.40964, 0.57137), encoded
  // (0.42255, 0.67237, 0.78054): 6cabc7. The RGB mean is grey 808080.
  const Oklab blue = oklabFromSrgb(rgbFromHex(Blue));
  EXPECT_NEAR(blue.L, 0.45201, 1e-5);
  EXPECT_NEAR(blue.a, -0.03246, 1e-5);
  EXPECT_NEAR(blue.b, -0.31153, 1e-5);
  const Gradient oklab({rgbFromHex(Blue), rgbFromHex(Yellow)}, Blend::Oklab,
                       false);
  const Rgb middle = oklab.at(0.5);
  EXPECT_NEAR(middle.r, 0.42255, 1e-5);
  EXPECT_NEAR(middle.g, 0.67237, 1e-5);
  EXPECT_NEAR(middle.b, 0.78054, 1e-5);
  EXPECT_EQ(rgbOf(middle), 0x6cabc7u);
  const Gradient rgb({rgbFromHex(Blue), rgbFromHex(Yellow)}, Blend::Rgb, false);
  EXPECT_EQ(rgbOf(rgb.at(0.5)), 0x808080u);
}

TEST(GradientTest, StopsSitEvenlyAndEndsClamp) {
  const std::vector<Rgb> stops = {rgbFromHex(0x102030), rgbFromHex(0xff0000),
                                  rgbFromHex(0x00ff80)};
  for (Blend blend : {Blend::Rgb, Blend::Oklab}) {
    const Gradient g(stops, blend, false);
    EXPECT_EQ(rgbOf(g.at(0.0)), 0x102030u);
    EXPECT_EQ(rgbOf(g.at(0.5)), 0xff0000u);
    EXPECT_EQ(rgbOf(g.at(1.0)), 0x00ff80u);
    EXPECT_EQ(rgbOf(g.at(-3.0)), 0x102030u);
    EXPECT_EQ(rgbOf(g.at(7.0)), 0x00ff80u);
    const Gradient reversed(stops, blend, true);
    for (double p : {0.0, 0.1, 0.37, 0.5, 0.8, 1.0}) {
      const Rgb a = g.at(p), b = reversed.at(1.0 - p);
      EXPECT_NEAR(a.r, b.r, 1e-12) << p;
      EXPECT_NEAR(a.g, b.g, 1e-12) << p;
      EXPECT_NEAR(a.b, b.b, 1e-12) << p;
    }
  }
  // A quarter of the way: halfway from the first stop to the second.
  const Gradient g(stops, Blend::Rgb, false);
  EXPECT_DOUBLE_EQ(g.at(0.25).r, (16.0 / 255 + 1.0) / 2);
}

TEST(GradientTest, TableFollowsTheGradient) {
  const Gradient g({rgbFromHex(Blue), rgbFromHex(0xff4000), rgbFromHex(Yellow)},
                   Blend::Oklab, false);
  const GradientTable table(g);
  for (int i = 0; i <= 1000; ++i) {
    const double p = i / 1000.0;
    const Rgb a = g.at(p), b = table.at(p);
    // Within a 16-bit step.
    ASSERT_NEAR(a.r, b.r, 1.5e-5) << p;
    ASSERT_NEAR(a.g, b.g, 1.5e-5) << p;
    ASSERT_NEAR(a.b, b.b, 1.5e-5) << p;
  }
}

TEST(ColourSpaceTest, QuantisingRoundsAndClamps) {
  struct Case {
    double channel;
    uint32_t at8, at16;
  } cases[] = {{0.0, 0, 0},           {-0.2, 0, 0},         {1.0, 255, 65535},
               {1.5, 255, 65535},     {0.5, 128, 32768},    {0.498, 127, 32636},
               {100.0 / 255, 100, 25700}};
  for (const Case& c : cases) {
    EXPECT_EQ(quantiseChannel(c.channel, 255), c.at8) << c.channel;
    EXPECT_EQ(quantiseChannel(c.channel, 65535), c.at16) << c.channel;
  }
  // Outside the gamut, clipped to it.
  const Rgb bright = srgbFromOklab({1.3, 0.0, 0.0});
  EXPECT_EQ(rgbOf(bright), 0xffffffu);
  const Rgb vivid = srgbFromOklab({0.6, 0.35, 0.0});
  for (double c : {vivid.r, vivid.g, vivid.b}) {
    EXPECT_GE(c, 0.0);
    EXPECT_LE(c, 1.0);
  }
  EXPECT_EQ(quantiseChannel(vivid.r, 65535), 65535u);
}

}  // namespace
}  // namespace marl
