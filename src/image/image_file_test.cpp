#include "image/image_file.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <sstream>

#include "support/picture_writing.h"
#include "support/temp_dir.h"

namespace marl {
namespace {

using marl_test::DecodedImage;
using marl_test::decodeImageFile;
using marl_test::Pixels;
using marl_test::TempDir;
using namespace marl_test;

// Each lossless format gives the pixels back exactly; JPEG keeps full
// chroma and stays close; GIF indexes few colours exactly and quantises
// many.
TEST(ImageFileTest, EachFormatGivesBackWhatItHolds) {
  enum class Check { Exact, Close, Quantised };
  const struct {
    const ImageFormat& format;
    void (*paint)(Pixels&);
    Check check;
    int samples;  // 0: not checked
    int colours;  // 0: not checked
  } cases[] = {
      {ImageBmp, paintNoise, Check::Exact, 0, 0},
      {ImageTiff, paintNoise, Check::Exact, 3, 0},
      {ImageJpeg, paintGradient, Check::Close, 0, 0},
      {ImageGif, paintFewColours, Check::Exact, 0, 16},
      {ImageGif, paintGradient, Check::Quantised, 0, 256},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.format.name);
    TempDir dir;
    const std::string name = dir.file(std::string("a.") + c.format.extension);
    Pixels bitmap = picture(Width, Height);
    c.paint(bitmap);
    std::ostringstream err;
    ASSERT_TRUE(writePicture(bitmap, c.format, name, err)) << err.str();
    EXPECT_EQ(err.str(), "");
    const DecodedImage decoded = decodeImageFile(name);
    if (c.samples) EXPECT_EQ(decoded.samples, c.samples);
    if (c.colours) EXPECT_EQ(decoded.colours, c.colours);
    if (c.check == Check::Exact) {
      expectSamePixels(bitmap, decoded);
      continue;
    }
    ASSERT_EQ(decoded.width, Width);
    ASSERT_EQ(decoded.height, Height);
    ASSERT_EQ(decoded.pixels.size(), std::size_t(Width) * Height);
    const Error error = errorOf(bitmap, decoded);
    if (c.check == Check::Close) {
      EXPECT_EQ(decoded.subsampling, TJSAMP_444);
      EXPECT_LE(error.worst, 8);
    } else {
      // giflib's median cut works on 5-bit cells and splits by pixel
      // count, so single pixels can be far off; on average it must stay
      // close.
      EXPECT_LT(error.mean, 16.0);
      EXPECT_LE(error.worst, 64);
    }
  }
}

}  // namespace
}  // namespace marl
