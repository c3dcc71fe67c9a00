#include "quazi/quazi_image.h"

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include <gtest/gtest.h>

#include <boost/random/mersenne_twister.hpp>
#include <boost/random/uniform_01.hpp>

#include <cairo.h>

#include "quazi/tile_brush.h"
#include "support/painted_tiling.h"

namespace marl {
namespace {

constexpr uint32_t Solid = 0xFF3366CCu;

void fill(Bitmap* b, uint32_t (*colourAt)(int x, int y, int side)) {
  for (int y = 0; y < b->height(); ++y) {
    for (int x = 0; x < b->width(); ++x) {
      b->row(y)[x] = colourAt(x, y, b->width());
    }
  }
  cairo_surface_mark_dirty(b->surface());
}

int channel(uint32_t pixel, int shift) { return (pixel >> shift) & 0xFF; }

// Worst channel distance from Solid, or -1 when the pixel is not opaque.
int offSolid(uint32_t pixel) {
  if ((pixel >> 24) != 0xFF) return -1;
  int worst = 0;
  for (int shift : {0, 8, 16}) {
    worst = std::max(worst,
                     std::abs(channel(pixel, shift) - channel(Solid, shift)));
  }
  return worst;
}

// Spacing draws of a Mersenne twister with a fixed seed.
std::vector<double> unitsFromSeed(uint32_t seed, int count) {
  boost::random::mt19937 engine(seed);
  boost::random::uniform_01<double> unit;
  std::vector<double> units;
  for (int j = 0; j < count; ++j) units.push_back(unit(engine));
  return units;
}

// The picture of the tiling from fixed spacings.
std::unique_ptr<Bitmap> paintFromSeed(const Bitmap& attractor,
                                      const QuaziSettings& settings) {
  std::string error;
  std::unique_ptr<Bitmap> canvas = marl_test::paintedTiling(
      attractor, settings, unitsFromSeed(20240607u, settings.qline), error);
  EXPECT_NE(canvas, nullptr) << error;
  return canvas;
}

// Whether tile t leaves a mark on a width x height canvas.
bool tileIsPainted(const QuaziTiling& tiling, std::size_t t, int width,
                   int height) {
  double xs[4];
  double ys[4];
  return drawnOutline(tiling, t, width, height, xs, ys);
}

TEST(QuaziImageTest, WorkedExampleViewAndPictureOrientation) {
  Bitmap attractor(1201, 1201);
  fill(&attractor, [](int x, int y, int side) {
    const uint32_t quadrant[4] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu,
                                  0xFFFFFFFFu};
    return quadrant[(2 * x >= side) + 2 * (2 * y >= side)];
  });
  QuaziTiling tiling(50.0, std::vector<double>(5, 0.0), 21u);
  tiling.buildTiles();
  placeTiles(&tiling, QuaziSettings{5, 800, 600, 600, 0.05, 0.02}, 1201);
  const TileQuad& q = tiling.tiles()[220];
  EXPECT_NEAR(q.cornerX[3], 561.779, 1e-3);
  EXPECT_NEAR(q.cornerY[0], 598.058, 1e-3);
  EXPECT_NEAR(q.centreX, 483.812, 1e-3);
  EXPECT_NEAR(q.centreY, 655.904, 1e-3);
  const int drawn[2][6] = {{404, 596, 526, 598, 440, 713},
                           {-2451, -1664, -2329, -1663, -2415, -1547}};
  for (int v = 0; v < 3; ++v) {
    EXPECT_EQ(tiling.tileCorner(220, v).x, drawn[0][2 * v]);
    EXPECT_EQ(tiling.tileCorner(220, v).y, drawn[0][2 * v + 1]);
    EXPECT_EQ(tiling.tileCorner(0, v).x, drawn[1][2 * v]);
    EXPECT_EQ(tiling.tileCorner(0, v).y, drawn[1][2 * v + 1]);
  }
  EXPECT_TRUE(tileIsPainted(tiling, 220, 800, 800));
  EXPECT_FALSE(tileIsPainted(tiling, 0, 800, 800));

  // Inside tile 220 near each corner, the matching corner of the picture:
  // upper-left at corner 0, upper-right at 1, lower-left at 2.
  std::string error;
  const std::unique_ptr<Bitmap> painted = marl_test::paintedTiling(
      attractor, QuaziSettings{5, 800, 600, 600, 0.05, 0.02},
      std::vector<double>(5, 0.0), error);
  ASSERT_NE(painted, nullptr) << error;
  const Bitmap& canvas = *painted;
  const PixelPoint p[3] = {tiling.tileCorner(220, 0), tiling.tileCorner(220, 1),
                           tiling.tileCorner(220, 2)};
  auto at = [&](double u, double v) {
    const double x = p[0].x + u * (p[1].x - p[0].x) + v * (p[2].x - p[0].x);
    const double y = p[0].y + u * (p[1].y - p[0].y) + v * (p[2].y - p[0].y);
    return canvas.row(int(y))[int(x)];
  };
  EXPECT_EQ(at(0.2, 0.2), 0xFFFF0000u);
  EXPECT_EQ(at(0.8, 0.2), 0xFF00FF00u);
  EXPECT_EQ(at(0.2, 0.8), 0xFF0000FFu);
  EXPECT_EQ(at(0.8, 0.8), 0xFFFFFFFFu);
}

TEST(QuaziImageTest, DenseTilingLeavesNoSeam) {
  // 120-pixel tiles at the smallest enlargement, which leaves the widest
  // slits; the canvas lies well inside the tiling.
  Bitmap attractor(301, 301);
  fill(&attractor, [](int, int, int) { return Solid; });
  for (int families : {5, 42}) {
    const std::unique_ptr<Bitmap> painted =
        paintFromSeed(attractor, QuaziSettings{families, 600, 300, 300, 0.2, 0.01});
    ASSERT_NE(painted, nullptr);
    const Bitmap& canvas = *painted;
    int worst = 0;
    for (int y = 0; y < 600; ++y) {
      for (int x = 0; x < 600; ++x) {
        const int off = offSolid(canvas.row(y)[x]);
        worst = off < 0 || worst < 0 ? -1 : std::max(worst, off);
      }
    }
    EXPECT_TRUE(worst >= 0 && worst <= 1) << families << " families: " << worst;
  }
}

TEST(QuaziImageTest, UncoveredPixelsStayTransparent) {
  // Tiles under four pixels a side: the tiling, which reaches about 110 tile
  // sides from its centre, lies inside the canvas.
  Bitmap attractor(40, 40);
  fill(&attractor, [](int, int, int) { return Solid; });
  const std::unique_ptr<Bitmap> painted =
      paintFromSeed(attractor, QuaziSettings{5, 1000, 500, 500, 0.05, 0.02});
  ASSERT_NE(painted, nullptr);
  const Bitmap& canvas = *painted;
  int covered = 0;
  for (int y = 0; y < 1000; ++y) {
    for (int x = 0; x < 1000; ++x) {
      const uint32_t pixel = canvas.row(y)[x];
      if (pixel == 0) continue;
      ++covered;
      ASSERT_TRUE(x > 0 && y > 0 && x < 999 && y < 999) << x << "," << y;
      // Edge pixels, premultiplied: the colour scaled by the coverage.
      for (int shift : {0, 8, 16}) {
        ASSERT_NEAR(channel(pixel, shift),
                    channel(Solid, shift) * (pixel >> 24) / 255.0, 3.0);
      }
    }
  }
  for (int y = 470; y < 530; ++y) {
    for (int x = 470; x < 530; ++x) ASSERT_EQ(offSolid(canvas.row(y)[x]), 0);
  }
  EXPECT_GT(covered, 100000);
  EXPECT_LT(covered, 900000);
}

TEST(QuaziImageTest, SmallTilesShowTheAverageOfFineDetail) {
  // A one-pixel checkerboard in 24-pixel tiles: sampled directly it breaks
  // into black, white and moire; reduced with a filter first, it is grey.
  Bitmap attractor(241, 241);
  fill(&attractor, [](int x, int y, int) {
    return (x + y) % 2 == 0 ? 0xFF000000u : 0xFFFFFFFFu;
  });
  const std::unique_ptr<Bitmap> painted =
      paintFromSeed(attractor, QuaziSettings{5, 200, 100, 100, 0.05, 0.02});
  ASSERT_NE(painted, nullptr);
  const Bitmap& canvas = *painted;
  for (int y = 0; y < 200; ++y) {
    for (int x = 0; x < 200; ++x) {
      ASSERT_EQ(canvas.row(y)[x] >> 24, 0xFFu);
      ASSERT_NEAR(channel(canvas.row(y)[x], 8), 128, 24) << x << "," << y;
    }
  }
}

TEST(QuaziImageTest, PaintMakesThePictureOrSaysWhyNot) {
  Bitmap attractor(60, 60);
  fill(&attractor, [](int, int, int) { return Solid; });
  std::string error;
  const std::unique_ptr<Bitmap> picture = marl_test::paintedTiling(
      attractor, QuaziSettings{7, 90, 45, 45, 0.5, 0.05},
      unitsFromSeed(1u, 7), error);
  ASSERT_NE(picture, nullptr) << error;
  EXPECT_EQ(picture->width(), 90);
  EXPECT_EQ(picture->height(), 90);
  EXPECT_EQ(offSolid(picture->row(45)[45]), 0);

  for (int qsize : {0, -5}) {
    EXPECT_EQ(marl_test::paintedTiling(attractor,
                              QuaziSettings{9, qsize, 20, 20, 0.5, 0.05},
                              unitsFromSeed(1u, 9), error),
              nullptr);
    EXPECT_EQ(error, "qsize " + std::to_string(qsize) +
                         " is not a picture side; give qsize=N with N of at "
                         "least 1");
  }
  // Spacings that do not match the family count are refused, not read past.
  for (int qline : {0, 8}) {
    EXPECT_EQ(marl_test::paintedTiling(attractor,
                              QuaziSettings{qline, 90, 45, 45, 0.5, 0.05},
                              unitsFromSeed(1u, 7), error),
              nullptr);
    EXPECT_EQ(error.rfind("qline " + std::to_string(qline) + " ", 0), 0u);
  }
}

// FNV-1a over every byte of the picture, row by row.
uint64_t hashOf(const Bitmap& b) {
  uint64_t hash = 1469598103934665603ull;
  for (int y = 0; y < b.height(); ++y) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(b.row(y));
    for (int i = 0; i < b.width() * 4; ++i) {
      hash ^= bytes[i];
      hash *= 1099511628211ull;
    }
  }
  return hash;
}

// The pictures of one thread drawing every tile in order, on one surface,
// as marl always has: any thread count gives them byte for byte.
TEST(QuaziImageTest, AnyThreadCountPaintsTheSamePicture) {
  struct Case {
    int side, qline, qsize, qx, qy;
    double qscale, qsep;
    uint64_t hash;
  } const cases[] = {
      {301, 5, 400, 200, 150, 0.05, 0.02, 0xe51732384c4d45b9ull},
      {301, 42, 500, 250, 250, 0.05, 0.05, 0x5dbd8a778e42ba3full},
      {601, 7, 700, 100, 600, 0.3, 0.1, 0x56ff553354cb86ddull},
      {241, 12, 900, 450, 450, 1, 0.01, 0x9f7e07448af5f275ull},
      {120, 20, 333, 60, 300, 0.08, 0.03, 0x2940048127b0298dull},
      {1201, 42, 1300, 650, 650, 0.05, 0.05, 0xbec469832f32f6f8ull},
  };
  for (const Case& c : cases) {
    Bitmap attractor(c.side, c.side);
    uint32_t noise = 2166136261u;
    for (int y = 0; y < c.side; ++y) {
      for (int x = 0; x < c.side; ++x) {
        noise = (noise ^ uint32_t(x * 7 + y)) * 16777619u;
        attractor.row(y)[x] = 0xFF000000u | (noise & 0xFFFFFF);
      }
    }
    cairo_surface_mark_dirty(attractor.surface());
    std::vector<double> units;
    uint32_t draw = 12345u + uint32_t(c.qline);
    for (int j = 0; j < c.qline; ++j) {
      draw = draw * 1664525u + 1013904223u;
      units.push_back((draw >> 8) / 16777216.0);
    }
    for (unsigned threads : {1u, 2u, 3u}) {
      std::string error;
      const std::unique_ptr<Bitmap> picture = marl_test::paintedTiling(
          attractor,
          QuaziSettings{c.qline, c.qsize, c.qx, c.qy, c.qscale, c.qsep}, units,
          error, threads);
      ASSERT_NE(picture, nullptr) << error;
      EXPECT_EQ(hashOf(*picture), c.hash)
          << c.qline << " lines, qsize " << c.qsize << ", " << threads
          << " threads";
    }
  }
}

}  // namespace
}  // namespace marl
