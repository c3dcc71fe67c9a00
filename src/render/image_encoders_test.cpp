#include "render/image_encoders.h"

#include <gtest/gtest.h>

#include "render/image_file.h"

namespace marl {
namespace {

bool encodeNothing(const Bitmap&, const std::string&,
                   std::vector<unsigned char>&, std::string&) {
  return false;
}

TEST(ImageEncodersTest, LookupMatchesExactMimeTextOnly) {
  EncodeFunction encode = nullptr;
  const int at = findEncoderClsid("image/jpeg", &encode);
  ASSERT_GE(at, 0);
  EXPECT_STREQ(imageEncoders()[at].mimeType, "image/jpeg");
  EXPECT_EQ(encode, &encodeJpeg);

  for (const char* near : {"image/JPEG", "image/jpg", "Image/jpeg",
                           "image/jpeg ", "image/jpe", "jpeg", ""}) {
    encode = &encodeNothing;
    EXPECT_EQ(findEncoderClsid(near, &encode), -1) << near;
    EXPECT_EQ(encode, &encodeNothing) << "changed by " << near;
  }
}

TEST(ImageEncodersTest, FirstOfEqualMimeTypesWins) {
  const std::vector<ImageEncoder> table = {{"image/png", encodeNothing},
                                           {"image/gif", encodeGif},
                                           {"image/gif", encodeBmp}};
  EncodeFunction encode = nullptr;
  EXPECT_EQ(findEncoderClsid("image/gif", &encode, table), 1);
  EXPECT_EQ(encode, &encodeGif);
  EXPECT_EQ(findEncoderClsid("image/gif", &encode, {}), -1);
}

TEST(ImageEncodersTest, EveryImageTypeHasItsEncoder) {
  EXPECT_STREQ(mimeTypeFor(ImageBmp), "image/bmp");
  EXPECT_STREQ(mimeTypeFor(ImageJpeg), "image/jpeg");
  EXPECT_STREQ(mimeTypeFor(ImageTiff), "image/tiff");
  EXPECT_STREQ(mimeTypeFor(ImageGif), "image/gif");
  EXPECT_STREQ(mimeTypeFor(4), "image/gif");
  EXPECT_STREQ(mimeTypeFor(-1), "image/gif");

  const EncodeFunction expected[] = {encodeBmp, encodeJpeg, encodeTiff,
                                     encodeGif};
  for (int type = 0; type < 4; ++type) {
    EncodeFunction encode = nullptr;
    EXPECT_GE(findEncoderClsid(mimeTypeFor(type), &encode), 0) << type;
    EXPECT_EQ(encode, expected[type]) << type;
  }
}

}  // namespace
}  // namespace marl
