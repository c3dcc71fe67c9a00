#include "image/image_file.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include "support/picture_writing.h"
#include "support/temp_dir.h"

namespace marl {
namespace {

using marl_test::DecodedImage;
using marl_test::decodeImageFile;
using marl_test::Pixels;
using marl_test::TempDir;
using namespace marl_test;

TEST(ImageFileTest, BmpRoundTripIsExact) {
  TempDir dir;
  Pixels bitmap = picture(Width, Height);
  paintNoise(bitmap);
  std::ostringstream err;
  ASSERT_TRUE(writePicture(bitmap, ImageBmp, dir.file("a.bmp"), err))
      << err.str();
  EXPECT_EQ(err.str(), "");
  expectSamePixels(bitmap, decodeImageFile(dir.file("a.bmp")));
}

TEST(ImageFileTest, OpaqueTiffIsRgbAndExact) {
  TempDir dir;
  Pixels bitmap = picture(Width, Height);
  paintNoise(bitmap);
  std::ostringstream err;
  ASSERT_TRUE(writePicture(bitmap, ImageTiff, dir.file("a.tif"), err))
      << err.str();
  const DecodedImage picture = decodeImageFile(dir.file("a.tif"));
  EXPECT_EQ(picture.samples, 3);
  expectSamePixels(bitmap, picture);
}

TEST(ImageFileTest, JpegIsFullChromaAndClose) {
  TempDir dir;
  Pixels bitmap = picture(Width, Height);
  paintGradient(bitmap);
  std::ostringstream err;
  ASSERT_TRUE(writePicture(bitmap, ImageJpeg, dir.file("a.jpg"), err))
      << err.str();
  const DecodedImage picture = decodeImageFile(dir.file("a.jpg"));
  EXPECT_EQ(picture.subsampling, TJSAMP_444);
  ASSERT_EQ(picture.width, Width);
  ASSERT_EQ(picture.height, Height);
  ASSERT_EQ(picture.pixels.size(), std::size_t(Width) * Height);
  EXPECT_LE(errorOf(bitmap, picture).worst, 8);
}

TEST(ImageFileTest, GifWithFewColoursIsExact) {
  TempDir dir;
  Pixels bitmap = picture(Width, Height);
  paintFewColours(bitmap);
  std::ostringstream err;
  ASSERT_TRUE(writePicture(bitmap, ImageGif, dir.file("a.gif"), err))
      << err.str();
  const DecodedImage picture = decodeImageFile(dir.file("a.gif"));
  EXPECT_EQ(picture.colours, 16);
  expectSamePixels(bitmap, picture);
}

TEST(ImageFileTest, GifWithManyColoursIsQuantised) {
  TempDir dir;
  Pixels bitmap = picture(Width, Height);
  paintGradient(bitmap);
  std::ostringstream err;
  ASSERT_TRUE(writePicture(bitmap, ImageGif, dir.file("a.gif"), err))
      << err.str();
  const DecodedImage picture = decodeImageFile(dir.file("a.gif"));
  EXPECT_EQ(picture.colours, 256);
  ASSERT_EQ(picture.width, Width);
  ASSERT_EQ(picture.height, Height);
  ASSERT_EQ(picture.pixels.size(), std::size_t(Width) * Height);
  // giflib's median cut works on 5-bit cells and splits by pixel count, so
  // single pixels can be far off; on average it must stay close.
  const Error error = errorOf(bitmap, picture);
  EXPECT_LT(error.mean, 16.0);
  EXPECT_LE(error.worst, 64);
}


}  // namespace
}  // namespace marl
