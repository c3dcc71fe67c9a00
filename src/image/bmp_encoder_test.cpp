#include <gtest/gtest.h>

#include <boost/gil.hpp>
#include <boost/gil/extension/io/bmp.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "image/image_encoders.h"
#include "support/memory_rows.h"

namespace marl {
namespace {

using marl_test::MemoryRows;

// What Boost.GIL's writer, which BMP pictures came from before they were
// streamed, makes of the same pixels.
std::vector<unsigned char> gilBmp(int width, int height,
                                  const std::vector<unsigned char>& rgb) {
  namespace gil = boost::gil;
  const auto view = gil::interleaved_view(
      width, height, reinterpret_cast<const gil::rgb8_pixel_t*>(rgb.data()),
      std::size_t(width) * 3);
  std::ostringstream stream;
  gil::write_view(stream, view, gil::bmp_tag());
  const std::string bytes = stream.str();
  return std::vector<unsigned char>(bytes.begin(), bytes.end());
}

// Odd widths pad their rows; heights around the band size split the bottom
// band from the others. A one-pass source takes the whole-picture way.
TEST(BmpEncoderTest, StreamedBytesAreGilsForOddSides) {
  unsigned seed = 1;
  for (int width : {1, 2, 3, 5, 64, 65, 129}) {
    for (int height : {1, 63, 64, 65, 130}) {
      const std::vector<unsigned char> rgb =
          marl_test::randomPixels(width, height, 0, seed++);
      const std::vector<unsigned char> want = gilBmp(width, height, rgb);
      for (bool rereadable : {true, false}) {
        MemoryRows rows(width, height, rgb, rereadable);
        MemorySink sink;
        std::string error;
        ASSERT_TRUE(encodeBmp(rows, EncodeOptions(), sink, error)) << error;
        EXPECT_EQ(sink.bytes, want) << width << " x " << height
                                    << (rereadable ? "" : ", one pass");
      }
    }
  }
}

// The header's 32-bit file size: 54 bytes of headers and rows of
// 65535 x 3 bytes padded to 196608 hold 21845 rows at most.
TEST(BmpEncoderTest, PicturesWhoseFilePasses4GiBAreRefusedUnread) {
  EXPECT_EQ(bmpFileBytes(65535, 21845), 54u + 196608u * 21845u);
  EXPECT_LE(bmpFileBytes(65535, 21845), BmpMaxFileBytes);
  EXPECT_GT(bmpFileBytes(65535, 21846), BmpMaxFileBytes);
  MemoryRows rows(65535, 21846, {}, false);
  MemorySink sink;
  std::string error;
  EXPECT_FALSE(encodeBmp(rows, EncodeOptions(), sink, error));
  EXPECT_EQ(error,
            "picture too large for BMP (its file would pass 4 GiB); give a "
            "smaller size or another image type");
  EXPECT_TRUE(sink.bytes.empty());
  EXPECT_EQ(rows.reads(), 0);
}

}  // namespace
}  // namespace marl
