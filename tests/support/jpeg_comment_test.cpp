#include "support/jpeg_comment.h"

#include <gtest/gtest.h>

namespace marl {
namespace {

using Bytes = std::vector<unsigned char>;

// SOI, a 16-byte APP0, a table segment and EOI: the shape TurboJPEG writes.
Bytes smallStream() {
  Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0};
  jpeg.resize(20, 1);
  jpeg.insert(jpeg.end(), {0xFF, 0xDB, 0x00, 0x04, 7, 8, 0xFF, 0xD9});
  return jpeg;
}

TEST(JpegCommentTest, SegmentsFollowTheJfifHeaderAndSplitAtTheLimit) {
  std::string text;
  for (std::size_t i = 0; i < 2 * MaxJpegCommentSegment + 7; ++i)
    text += char('a' + i % 23);
  const Bytes before = smallStream();
  Bytes jpeg = before;
  std::string error;
  ASSERT_TRUE(insertJpegComment(jpeg, text, error)) << error;
  ASSERT_EQ(jpeg.size(), before.size() + text.size() + 3 * 4);

  std::size_t at = 20;
  EXPECT_EQ(Bytes(jpeg.begin(), jpeg.begin() + at),
            Bytes(before.begin(), before.begin() + at));
  std::string joined;
  for (std::size_t length :
       {MaxJpegCommentSegment, MaxJpegCommentSegment, std::size_t(7)}) {
    ASSERT_EQ(jpeg[at], 0xFF);
    ASSERT_EQ(jpeg[at + 1], 0xFE);
    ASSERT_EQ(std::size_t(jpeg[at + 2]) << 8 | jpeg[at + 3], length + 2);
    joined.append(jpeg.begin() + at + 4, jpeg.begin() + at + 4 + length);
    at += 4 + length;
  }
  EXPECT_EQ(joined, text);
  EXPECT_EQ(Bytes(jpeg.begin() + at, jpeg.end()),
            Bytes(before.begin() + 20, before.end()));

  Bytes unchanged = before;
  EXPECT_TRUE(insertJpegComment(unchanged, "", error));
  EXPECT_EQ(unchanged, before);
}

TEST(JpegCommentTest, RefusesWhatDoesNotStartAsAJpegStream) {
  const Bytes cutApp0 = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x40, 'J'};
  for (const Bytes& bad : {Bytes{}, Bytes{'G', 'I', 'F', '8', '9', 'a'},
                           Bytes{0xFF, 0xD9}, cutApp0}) {
    Bytes jpeg = bad;
    std::string error;
    EXPECT_FALSE(insertJpegComment(jpeg, "x=1", error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(jpeg, bad);
  }
}

}  // namespace
}  // namespace marl
