#include "image/image_format.h"

#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

namespace marl {
namespace {

TEST(ImageFormatTest, WordSelectsFormatLastMatchWinning) {
  const std::vector<std::tuple<std::string, std::string, std::string>> cases =
      {{"TIFF", "tiff", "tif"},    {"Gif", "gif", "gif"},
       {"bmp", "bmp", "bmp"},      {"png", "png", "png"},
       {"WEBP", "webp", "webp"},   {"pngtiff", "png", "png"},
       {"webp or png", "webp", "webp"}, {"jpg", "jpeg", "jpg"},
       {"", "jpeg", "jpg"},        {"tiffbmp", "bmp", "bmp"},
       {"GIFTiff", "gif", "gif"},  {"jpeg", "jpeg", "jpg"},
       {"tIFF", "jpeg", "jpg"},    {"a tiff please", "tiff", "tif"}};
  for (const auto& [word, name, extension] : cases) {
    const ImageFormat& format = formatForWord(word);
    EXPECT_STREQ(format.name, name.c_str()) << word;
    EXPECT_STREQ(format.extension, extension.c_str()) << word;
  }
}

TEST(ImageFormatTest, EveryFormatHasItsEncoderAndIsFoundByName) {
  const std::vector<std::pair<std::string, EncodeFunction>> expected = {
      {"jpeg", encodeJpeg}, {"tiff", encodeTiff}, {"gif", encodeGif},
      {"bmp", encodeBmp}, {"png", encodePng},   {"webp", encodeWebp}};
  ASSERT_EQ(imageFormats().size(), expected.size());
  for (const auto& [name, encode] : expected) {
    const ImageFormat* format = findFormat(name);
    ASSERT_NE(format, nullptr) << name;
    EXPECT_EQ(format->encode, encode) << name;
    // The plain name selects its own format, so a recipe reads back.
    EXPECT_EQ(&formatForWord(name), format) << name;
  }
  EXPECT_EQ(findFormat("JPEG"), nullptr);
  EXPECT_EQ(findFormat("PNG"), nullptr);
}

}  // namespace
}  // namespace marl
