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

#include "attractor/random_source.h"
#include "render/image_file.h"

namespace marl {
namespace {

constexpr uint32_t kSolid = 0xFF3366CCu;

void fill(Bitmap* bitmap, uint32_t (*colourAt)(int x, int y, int side)) {
  for (int y = 0; y < bitmap->height(); ++y) {
    for (int x = 0; x < bitmap->width(); ++x) {
      bitmap->row(y)[x] = colourAt(x, y, bitmap->width());
    }
  }
  cairo_surface_mark_dirty(bitmap->surface());
}

uint32_t solid(int, int, int) { return kSolid; }

uint32_t quadrants(int x, int y, int side) {
  const bool right = 2 * x >= side;
  const bool lower = 2 * y >= side;
  if (!right && !lower) return 0xFFFF0000u;
  if (right && !lower) return 0xFF00FF00u;
  if (!right && lower) return 0xFF0000FFu;
  return 0xFFFFFFFFu;
}

uint32_t checkerboard(int x, int y, int) {
  return (x + y) % 2 == 0 ? 0xFF000000u : 0xFFFFFFFFu;
}

int channel(uint32_t pixel, int shift) { return (pixel >> shift) & 0xFF; }

// Worst distance of a channel from the solid colour, or -1 if not opaque.
int offSolid(uint32_t pixel) {
  if ((pixel >> 24) != 0xFF) return -1;
  int worst = 0;
  for (int shift : {0, 8, 16}) {
    worst = std::max(worst, std::abs(channel(pixel, shift) - channel(kSolid, shift)));
  }
  return worst;
}

// A tiling drawn from a fixed engine state, put into the view of `settings`
// and painted from `attractor` onto a new canvas.
void paintFromSeed(const Bitmap& attractor, const QuaziSettings& settings,
                   Bitmap* canvas) {
  randomEngine.seed(20240607u);
  QuaziTiling tiling(50.0, static_cast<uint32_t>(settings.qline), 21u);
  tiling.buildTiles();
  placeTiles(&tiling, settings, attractor.width());
  paintTiles(tiling, attractor, canvas);
}

TEST(QuaziImageTest, PlaceTilesScalesByTwiceTheSideLessTwo) {
  QuaziTiling tiling(50.0, std::vector<double>(5, 0.0), 21u);
  tiling.buildTiles();
  placeTiles(&tiling, QuaziSettings{5, 1201, 600, 600, 0.05, 0.02}, 1201);
  const PixelPoint drawn220[3] = {{404, 596}, {526, 598}, {440, 713}};
  const PixelPoint drawn0[3] = {{-2451, -1664}, {-2329, -1663}, {-2415, -1547}};
  for (int v = 0; v < 3; ++v) {
    EXPECT_EQ(tiling.tileCorner(220, v).x, drawn220[v].x) << v;
    EXPECT_EQ(tiling.tileCorner(220, v).y, drawn220[v].y) << v;
    EXPECT_EQ(tiling.tileCorner(0, v).x, drawn0[v].x) << v;
    EXPECT_EQ(tiling.tileCorner(0, v).y, drawn0[v].y) << v;
  }
  EXPECT_TRUE(tileIsPainted(tiling, 220, 1201, 1201));
  EXPECT_FALSE(tileIsPainted(tiling, 0, 1201, 1201));  // far up and left

  // qsep replaces the enlargement: 120-pixel sides drawn 132 pixels long.
  QuaziTiling wider(50.0, std::vector<double>(5, 0.0), 21u);
  wider.buildTiles();
  placeTiles(&wider, QuaziSettings{5, 1201, 600, 600, 0.05, 0.1}, 1201);
  const PixelPoint p0 = wider.tileCorner(220, 0);
  const PixelPoint p1 = wider.tileCorner(220, 1);
  EXPECT_NEAR(std::hypot(p1.x - p0.x, p1.y - p0.y), 132.0, 1.5);
}

TEST(QuaziImageTest, PictureCornersGoToTileCornersZeroOneAndTwo) {
  Bitmap attractor(1201, 1201);
  fill(&attractor, quadrants);
  QuaziTiling tiling(50.0, std::vector<double>(5, 0.0), 21u);
  tiling.buildTiles();
  placeTiles(&tiling, QuaziSettings{5, 800, 600, 600, 0.05, 0.02}, 1201);
  Bitmap canvas(800, 800);
  paintTiles(tiling, attractor, &canvas);

  // Points inside tile 220, each near one corner: no other tile covers them.
  const PixelPoint p0 = tiling.tileCorner(220, 0);
  const PixelPoint p1 = tiling.tileCorner(220, 1);
  const PixelPoint p2 = tiling.tileCorner(220, 2);
  auto at = [&](double u, double v) {
    const int x = static_cast<int>(p0.x + u * (p1.x - p0.x) + v * (p2.x - p0.x));
    const int y = static_cast<int>(p0.y + u * (p1.y - p0.y) + v * (p2.y - p0.y));
    return canvas.row(y)[x];
  };
  EXPECT_EQ(at(0.2, 0.2), 0xFFFF0000u);  // upper-left of the picture
  EXPECT_EQ(at(0.8, 0.2), 0xFF00FF00u);  // upper-right
  EXPECT_EQ(at(0.2, 0.8), 0xFF0000FFu);  // lower-left
  EXPECT_EQ(at(0.8, 0.8), 0xFFFFFFFFu);
}

TEST(QuaziImageTest, DenseTilingLeavesNoSeam) {
  // Tiles of 120 pixels with the smallest enlargement, where the corners'
  // truncation opens the widest slits; the canvas lies well inside the
  // tiling, so every pixel must carry the picture's colour, fully opaque.
  Bitmap attractor(301, 301);
  fill(&attractor, solid);
  for (int families : {5, 42}) {
    SCOPED_TRACE(families);
    Bitmap canvas(600, 600);
    paintFromSeed(attractor, QuaziSettings{families, 600, 300, 300, 0.2, 0.01},
                  &canvas);
    int worst = 0;
    int holes = 0;
    for (int y = 0; y < 600; ++y) {
      for (int x = 0; x < 600; ++x) {
        const int off = offSolid(canvas.row(y)[x]);
        if (off < 0) ++holes;
        worst = std::max(worst, off);
      }
    }
    EXPECT_EQ(holes, 0);
    EXPECT_LE(worst, 1);
  }
}

TEST(QuaziImageTest, UncoveredPixelsStayTransparent) {
  // Tiles under four pixels a side: the whole tiling, which reaches about
  // 110 tile sides from its centre, fits in the middle of the canvas.
  Bitmap attractor(40, 40);
  fill(&attractor, solid);
  Bitmap canvas(1000, 1000);
  paintFromSeed(attractor, QuaziSettings{5, 1000, 500, 500, 0.05, 0.02},
                &canvas);
  int covered = 0;
  int clear = 0;
  for (int y = 0; y < 1000; ++y) {
    for (int x = 0; x < 1000; ++x) {
      const uint32_t pixel = canvas.row(y)[x];
      if (pixel == 0) {
        ++clear;
        continue;
      }
      ++covered;
      // Edge pixels are partly covered; premultiplied, their colour scales
      // with their alpha.
      const int alpha = pixel >> 24;
      for (int shift : {0, 8, 16}) {
        ASSERT_NEAR(channel(pixel, shift), channel(kSolid, shift) * alpha / 255.0,
                    3.0) << x << "," << y;
      }
    }
  }
  for (int y = 470; y < 530; ++y) {
    for (int x = 470; x < 530; ++x) ASSERT_EQ(offSolid(canvas.row(y)[x]), 0);
  }
  for (int i = 0; i < 1000; ++i) {
    ASSERT_EQ(canvas.row(0)[i], 0u);
    ASSERT_EQ(canvas.row(999)[i], 0u);
    ASSERT_EQ(canvas.row(i)[0], 0u);
    ASSERT_EQ(canvas.row(i)[999], 0u);
  }
  EXPECT_GT(covered, 10000);
  EXPECT_GT(clear, 10000);
}

TEST(QuaziImageTest, SmallTilesShowTheAverageOfFineDetail) {
  // A one-pixel checkerboard drawn into 24-pixel tiles: sampled without a
  // prior reduction it breaks into black, white and moire; filtered, it is
  // an even grey.
  Bitmap attractor(241, 241);
  fill(&attractor, checkerboard);
  Bitmap canvas(200, 200);
  paintFromSeed(attractor, QuaziSettings{5, 200, 100, 100, 0.05, 0.02},
                &canvas);
  int worst = 0;
  for (int y = 0; y < 200; ++y) {
    for (int x = 0; x < 200; ++x) {
      const uint32_t pixel = canvas.row(y)[x];
      ASSERT_EQ(pixel >> 24, 0xFFu);
      worst = std::max(worst, std::abs(channel(pixel, 8) - 128));
    }
  }
  EXPECT_LE(worst, 24);
}

class SaveQuaziImageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("marl_quazi_test_" + std::to_string(getpid()));
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  std::filesystem::path folder_;
};

TEST_F(SaveQuaziImageTest, WritesAPictureOfSideQsize) {
  Bitmap attractor(60, 60);
  fill(&attractor, solid);
  const std::string name = (folder_ / "tiles_quazi004711.bmp").string();
  std::ostringstream err;
  ASSERT_TRUE(saveQuaziImage(attractor, QuaziSettings{7, 90, 45, 45, 0.5, 0.05},
                             ImageBmp, name, err));
  EXPECT_EQ(err.str(), "");
  std::ifstream file(name, std::ios::binary);
  ASSERT_TRUE(file);
  char header[26];
  ASSERT_TRUE(file.read(header, sizeof header));
  EXPECT_EQ(std::string(header, 2), "BM");
  int32_t width;
  int32_t height;
  std::memcpy(&width, header + 18, 4);
  std::memcpy(&height, header + 22, 4);
  EXPECT_EQ(width, 90);
  EXPECT_EQ(std::abs(height), 90);
}

TEST_F(SaveQuaziImageTest, QsizeBelowOneWritesNothingButStillDraws) {
  Bitmap attractor(60, 60);
  fill(&attractor, solid);
  for (int qsize : {0, -5}) {
    randomEngine.seed(99u);
    for (int j = 0; j < 9; ++j) drawUnit();
    const boost::random::mt19937 afterNine = randomEngine;
    randomEngine.seed(99u);

    const std::string name = (folder_ / "none.bmp").string();
    std::ostringstream err;
    EXPECT_FALSE(saveQuaziImage(
        attractor, QuaziSettings{9, qsize, 20, 20, 0.5, 0.05}, ImageBmp, name,
        err));
    EXPECT_EQ(err.str(), "marl: error: qsize " + std::to_string(qsize) +
                             " is not a picture side; give qsize=N with N of "
                             "at least 1\n");
    EXPECT_EQ(randomEngine, afterNine);
    EXPECT_TRUE(std::filesystem::is_empty(folder_));
  }
}

TEST_F(SaveQuaziImageTest, QlineOutsideItsRangeIsReported) {
  Bitmap attractor(60, 60);
  std::ostringstream err;
  EXPECT_FALSE(saveQuaziImage(attractor, QuaziSettings{0, 90, 45, 45, 0.5, 0.05},
                              ImageBmp, (folder_ / "x.bmp").string(), err));
  EXPECT_NE(err.str().find("marl: error: qline 0 "), std::string::npos);
  EXPECT_TRUE(std::filesystem::is_empty(folder_));
}

}  // namespace
}  // namespace marl
