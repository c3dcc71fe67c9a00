#include "quazi/bitmap_rows.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "image/image_file.h"
#include "support/decoded_image.h"
#include "support/temp_dir.h"

namespace marl {
namespace {

using marl_test::DecodedImage;
using marl_test::decodeImageFile;

uint32_t argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
  return a << 24 | r << 16 | g << 8 | b;
}

// Premultiplied pixels: clear, half, a fifth and fully opaque.
void paintTranslucent(Bitmap& bitmap) {
  const uint32_t pixels[2][3] = {
      {argb(0, 0, 0, 0), argb(128, 64, 32, 0), argb(51, 51, 0, 51)},
      {argb(255, 16, 32, 48), argb(255, 255, 255, 255), argb(0, 0, 0, 0)}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) bitmap.row(y)[x] = pixels[y][x];
}

// A tiling picture is written through these rows, alpha kept where the
// format holds it.
bool write(const Bitmap& bitmap, const char* format, const std::string& name,
           std::ostream& err) {
  const ImageFormat& type = *findFormat(format);
  BitmapRows rows(bitmap, type.alpha);
  return writeImageFile(rows, type, name, err, {});
}

TEST(BitmapRowsTest, TranslucentTiffKeepsUnpremultipliedAlpha) {
  marl_test::TempDir dir;
  Bitmap bitmap(3, 2);
  paintTranslucent(bitmap);
  std::ostringstream err;
  ASSERT_TRUE(write(bitmap, "tiff", dir.file("t.tif"), err)) << err.str();
  const DecodedImage picture = decodeImageFile(dir.file("t.tif"));
  ASSERT_EQ(picture.samples, 4);
  ASSERT_EQ(picture.pixels.size(), 6u);
  EXPECT_EQ(picture.at(0, 0), argb(0, 0, 0, 0));
  EXPECT_EQ(picture.at(1, 0), argb(128, 128, 64, 0));
  EXPECT_EQ(picture.at(2, 0), argb(51, 255, 0, 255));
  EXPECT_EQ(picture.at(0, 1), argb(255, 16, 32, 48));
  EXPECT_EQ(picture.at(1, 1), argb(255, 255, 255, 255));
  EXPECT_EQ(picture.at(2, 1), argb(0, 0, 0, 0));
}

// The colour each opaque-only format must show is the premultiplied
// colour, i.e. the pixel over black.
TEST(BitmapRowsTest, FormatsWithoutAlphaShowTranslucencyOverBlack) {
  marl_test::TempDir dir;
  Bitmap bitmap(3, 2);
  paintTranslucent(bitmap);
  std::ostringstream err;
  ASSERT_TRUE(write(bitmap, "bmp", dir.file("t.bmp"), err));
  ASSERT_TRUE(write(bitmap, "gif", dir.file("t.gif"), err));
  ASSERT_TRUE(write(bitmap, "jpeg", dir.file("t.jpg"), err));
  for (const char* name : {"t.bmp", "t.gif"}) {
    const DecodedImage picture = decodeImageFile(dir.file(name));
    ASSERT_EQ(picture.pixels.size(), 6u) << name;
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x)
        EXPECT_EQ(picture.at(x, y), bitmap.row(y)[x] | 0xFF000000u)
            << name << " " << x << "," << y;
  }
  const DecodedImage jpeg = decodeImageFile(dir.file("t.jpg"));
  ASSERT_EQ(jpeg.pixels.size(), 6u);
  // The clear pixel beside the white one must stay dark, not white.
  const uint32_t p = jpeg.at(2, 1);
  EXPECT_LT(((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF), 3u * 40);
}

// Every premultiplied pixel Cairo can hold (each channel at most its
// alpha) comes back from its rows unchanged when painted again: undoing
// the premultiplication loses nothing, so the tiling's rows are its
// canvas.
TEST(BitmapRowsTest, RowsPaintedAgainGiveTheSamePixels) {
  Bitmap bitmap(256, 256), again(256, 256);
  ASSERT_TRUE(bitmap.ok() && again.ok());
  for (uint32_t a = 0; a < 256; ++a)
    for (uint32_t c = 0; c < 256; ++c)
      bitmap.row(int(a))[c] = c <= a ? argb(a, c, a - c, c / 2) : 0u;
  BitmapRows rows(bitmap, true);
  ASSERT_TRUE(rows.shape().alpha);
  paintBitmap(rows, again);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x)
      ASSERT_EQ(again.row(y)[x], bitmap.row(y)[x]) << x << "," << y;
}

}  // namespace
}  // namespace marl
