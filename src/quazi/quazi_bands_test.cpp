#include "quazi/quazi_bands.h"

#include <new>

#include <cstdlib>
#include <cstring>

#include <gtest/gtest.h>

#include <cairo.h>

#include "quazi/quazi_band_rows.h"
#include "quazi/quazi_picture_rows.h"
#include "quazi/bitmap_rows.h"
#include "support/painted_tiling.h"

namespace marl {
namespace {

// A noisy attractor picture and spacing draws, both from fixed seeds.
void fillNoise(Bitmap* picture) {
  uint32_t noise = 2166136261u;
  for (int y = 0; y < picture->height(); ++y) {
    for (int x = 0; x < picture->width(); ++x) {
      noise = (noise ^ uint32_t(x * 7 + y)) * 16777619u;
      picture->row(y)[x] = 0xFF000000u | (noise & 0xFFFFFF);
    }
  }
  cairo_surface_mark_dirty(picture->surface());
}

std::vector<double> spacings(int count) {
  std::vector<double> units;
  uint32_t draw = 777u;
  for (int j = 0; j < count; ++j) {
    draw = draw * 1664525u + 1013904223u;
    units.push_back((draw >> 8) / 16777216.0);
  }
  return units;
}

// The bands joined into one picture, checking that they come in order.
struct Collected {
  std::vector<uint32_t> pixels;
  int width = 0;
  int rows = 0;
  int bands = 0;
};

bool collectInto(Collected& c, const PixelBand& band) {
  EXPECT_EQ(band.top, c.rows);
  c.width = band.width;
  for (int r = 0; r < band.rows; ++r) {
    const uint32_t* row = band.pixels + std::size_t(r) * band.stride;
    c.pixels.insert(c.pixels.end(), row, row + band.width);
  }
  c.rows += band.rows;
  ++c.bands;
  return true;
}

// The placed tiling of `settings`, painted band by band.
bool paintBands(const Bitmap& attractor, const QuaziSettings& settings,
                unsigned threads, const BandConsumer& take,
                const BandLayout& layout) {
  std::string error;
  std::optional<QuaziTiling> tiling =
      placedTiling(settings, spacings(settings.qline), attractor.width(),
                   threads, error);
  EXPECT_TRUE(tiling.has_value()) << error;
  return tiling && paintPlacedBands(*tiling, attractor, settings.qsize,
                                    threads, take, error, layout);
}

TEST(QuaziBandsTest, BandsOnSurfacesOfTheirOwnMatchTheWholePicture) {
  // Surfaces of at most 180 pixels a side stand in for Cairo's 32767: each
  // 50-row band is painted as three pieces, moved by whole pixels. The
  // pixels may differ from one surface's by a level or two where Cairo
  // samples differently, never more, and any thread count gives the same.
  Bitmap attractor(301, 301);
  fillNoise(&attractor);
  const QuaziSettings settings{12, 400, 200, 180, 0.15, 0.05};
  std::string error;
  const std::unique_ptr<Bitmap> whole =
      marl_test::paintedTiling(attractor, settings, spacings(12), error);
  ASSERT_NE(whole, nullptr);
  Collected byThreads[2];
  for (unsigned threads : {1u, 2u}) {
    Collected& c = byThreads[threads - 1];
    ASSERT_TRUE(paintBands(
        attractor, settings, threads,
        [&](const PixelBand& band) { return collectInto(c, band); },
        BandLayout{50, 180}));
    ASSERT_EQ(c.rows, 400);
    EXPECT_EQ(c.bands, 8);
  }
  EXPECT_TRUE(byThreads[0].pixels == byThreads[1].pixels);
  int worst = 0;
  long differing = 0;
  for (int y = 0; y < 400; ++y) {
    for (int x = 0; x < 400; ++x) {
      const uint32_t a = whole->row(y)[x];
      const uint32_t b = byThreads[0].pixels[std::size_t(y) * 400 + x];
      differing += a != b;
      for (int shift = 0; shift < 32; shift += 8)
        worst = std::max(worst, std::abs(int((a >> shift) & 0xFF) -
                                         int((b >> shift) & 0xFF)));
    }
  }
  EXPECT_LE(worst, 3);
  EXPECT_LT(differing, 400 * 400 / 5);
}

TEST(QuaziBandsTest, APictureWiderThanCairoIsPaintedInPieces) {
  // 33000 pixels a side, tiles of 1800 pixels covering the top rows: two
  // pieces a band at Cairo's limit, or at 16500. Only the first two bands
  // are taken; the painting stops there.
  Bitmap attractor(301, 301);
  fillNoise(&attractor);
  const QuaziSettings settings{7, 33000, 16500, 100, 3.0, 0.05};
  Collected byPieces[2];
  for (int piece : {0, 1}) {
    Collected& c = byPieces[piece];
    ASSERT_TRUE(paintBands(
        attractor, settings, 2,
        [&](const PixelBand& band) {
          collectInto(c, band);
          return c.bands < 2;
        },
        BandLayout{128, piece == 0 ? 32767 : 16500}));
    EXPECT_EQ(c.bands, 2);
    ASSERT_EQ(c.width, 33000);
    ASSERT_EQ(c.rows, 256);
  }
  // Where the surfaces lie moves Cairo's samples of the noise by a little
  // at these coordinates; a piece put in the wrong place would change
  // nearly every pixel.
  int opaque = 0;
  int close = 0;
  for (std::size_t i = 0; i < byPieces[0].pixels.size(); ++i) {
    const uint32_t a = byPieces[0].pixels[i];
    const uint32_t b = byPieces[1].pixels[i];
    opaque += (a >> 24) == 0xFF;
    int worst = 0;
    for (int shift = 0; shift < 32; shift += 8)
      worst = std::max(worst, std::abs(int((a >> shift) & 0xFF) -
                                       int((b >> shift) & 0xFF)));
    close += worst <= 3;
  }
  EXPECT_EQ(opaque, 33000 * 256);
  EXPECT_GT(close, 33000 * 256 * 9 / 10);
}

TEST(QuaziBandRowsTest, RowsAreTheBandsInOrderHoweverTheEncoderCutsThem) {
  // 50-row bands on 180-pixel surfaces, read 64, then 7 rows at a time, so
  // reads straddle bands; with 2 threads bands are painted out of order.
  Bitmap attractor(301, 301);
  fillNoise(&attractor);
  const QuaziSettings settings{12, 400, 200, 180, 0.15, 0.05};
  const BandLayout layout{50, 180};
  std::string error;
  for (bool alpha : {false, true}) {
    std::vector<unsigned char> expected;
    const std::size_t rowBytes = 400 * (alpha ? 4 : 3);
    ASSERT_TRUE(paintBands(
        attractor, settings, 1,
        [&](const PixelBand& band) {
          for (int r = 0; r < band.rows; ++r) {
            expected.resize(expected.size() + rowBytes);
            unpremultipliedRow(band.pixels + std::size_t(r) * band.stride,
                               band.width, alpha,
                               &expected[expected.size() - rowBytes]);
          }
          return true;
        },
        layout));
    for (unsigned threads : {1u, 2u}) {
      for (int step : {64, 7}) {
        SCOPED_TRACE(std::to_string(threads) + " threads, " +
                     std::to_string(step) + " rows a read, alpha " +
                     std::to_string(alpha));
        const std::unique_ptr<QuaziBandRows> rows = QuaziBandRows::start(
            attractor, settings, spacings(12), threads, alpha, error, layout);
        ASSERT_NE(rows, nullptr) << error;
        EXPECT_EQ(rows->shape().alpha, alpha);
        std::vector<unsigned char> got(rowBytes * 400);
        for (int first = 0; first < 400; first += step) {
          const int count = std::min(step, 400 - first);
          rows->readRows(first, count, &got[rowBytes * std::size_t(first)]);
        }
        EXPECT_TRUE(got == expected);
      }
    }
  }
}

TEST(QuaziBandRowsTest, AnEncoderThatGivesUpEarlyStopsThePainting) {
  // One band read of a 33000-pixel picture: the rest is never painted, and
  // dropping the rows returns at once instead of painting it all.
  Bitmap attractor(301, 301);
  fillNoise(&attractor);
  const QuaziSettings settings{7, 33000, 16500, 100, 3.0, 0.05};
  std::string error;
  const std::unique_ptr<QuaziBandRows> rows =
      QuaziBandRows::start(attractor, settings, spacings(7), 2, false, error);
  ASSERT_NE(rows, nullptr) << error;
  std::vector<unsigned char> band(std::size_t(33000) * 3 * 64);
  rows->readRows(0, 64, band.data());
  EXPECT_NE(std::count(band.begin(), band.end(), 0), long(band.size()));
}

TEST(QuaziBandRowsTest, SettingsThatMakeNoPictureAreAnErrorBeforePainting) {
  Bitmap attractor(31, 31);
  std::string error;
  EXPECT_EQ(QuaziBandRows::start(attractor, QuaziSettings{4, 100, 0, 0, 1, 0},
                                 spacings(4), 1, false, error),
            nullptr);
  EXPECT_NE(error.find("qline"), std::string::npos) << error;
}

TEST(QuaziPictureRowsTest, RowsTakenWhilePaintingAreTheWholePicturesPixels) {
  // Read a band at a time while the rest is painted, on 1 to 3 threads;
  // each row must be exactly the whole painting's, so no row may be handed
  // out before every tile touching it is drawn.
  const struct {
    int side;
    QuaziSettings settings;
  } cases[] = {
      {241, {9, 500, 250, 200, 0.1, 0.05}},
      {301, {12, 400, 200, 180, 0.15, 0.3}},
      {121, {30, 700, 300, 400, 0.05, 0.05}},
  };
  for (const auto& c : cases) {
    Bitmap attractor(c.side, c.side);
    fillNoise(&attractor);
    const std::vector<double> units = spacings(c.settings.qline);
    std::string error;
    const std::unique_ptr<Bitmap> whole =
        marl_test::paintedTiling(attractor, c.settings, units, error);
    ASSERT_NE(whole, nullptr) << error;
    const int side = c.settings.qsize;
    // With alpha the picture is whole before the first row, and carries
    // alpha exactly when the whole bitmap's rows do.
    for (bool alpha : {false, true}) {
      BitmapRows wholeRows(*whole, alpha);
      const std::size_t rowBytes = wholeRows.shape().rowBytes();
      std::vector<unsigned char> expected(rowBytes * std::size_t(side));
      wholeRows.readRows(0, side, expected.data());
      for (unsigned threads : {1u, 2u, 3u}) {
        SCOPED_TRACE("qsize " + std::to_string(side) + ", " +
                     std::to_string(threads) + " threads, alpha " +
                     std::to_string(alpha));
        const std::unique_ptr<QuaziPictureRows> rows = QuaziPictureRows::start(
            attractor, c.settings, units, threads, alpha, error);
        ASSERT_NE(rows, nullptr) << error;
        ASSERT_EQ(rows->shape().alpha, wholeRows.shape().alpha);
        std::vector<unsigned char> got(expected.size());
        for (int first = 0; first < side; first += 64) {
          rows->readRows(first, std::min(64, side - first),
                         &got[rowBytes * std::size_t(first)]);
        }
        EXPECT_TRUE(got == expected);
      }
    }
  }
  // An encoder that gives up after one band leaves no thread painting.
  Bitmap attractor(241, 241);
  fillNoise(&attractor);
  std::string error;
  auto rows = QuaziPictureRows::start(
      attractor, QuaziSettings{9, 500, 250, 200, 0.1, 0.05}, spacings(9), 3,
      false, error);
  ASSERT_NE(rows, nullptr) << error;
  std::vector<unsigned char> band(500 * 3 * 64);
  rows->readRows(0, 64, band.data());
  rows.reset();
}

}  // namespace
}  // namespace marl
