#include <gif_lib.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "image/gif_palette.h"
#include "image/image_encoders.h"
#include "support/memory_rows.h"

namespace marl {
namespace {

using marl_test::MemoryRows;

int appendTo(GifFileType* gif, const GifByteType* data, int length) {
  auto* bytes = static_cast<std::vector<unsigned char>*>(gif->UserData);
  bytes->insert(bytes->end(), data, data + length);
  return length;
}

// The picture's own colours in order of first appearance, found the plain
// way; false past 256.
bool indexPlainly(const std::vector<unsigned char>& rgb,
                  IndexedPicture& picture) {
  std::map<uint32_t, int> slots;
  for (std::size_t i = 0; i < rgb.size(); i += 3) {
    const uint32_t colour = uint32_t(rgb[i]) << 16 | rgb[i + 1] << 8 | rgb[i + 2];
    const auto [slot, added] = slots.emplace(colour, int(slots.size()));
    if (added) {
      if (slots.size() > GifMaxColours) return false;
      picture.colours.push_back(GifColorType{rgb[i], rgb[i + 1], rgb[i + 2]});
    }
    picture.indices.push_back(GifByteType(slot->second));
  }
  return true;
}

// The file as GIF pictures were made before they were streamed: the whole
// picture indexed (or quantised) first, then written.
std::vector<unsigned char> wholePictureGif(RowSource& rows,
                                           const std::vector<unsigned char>& rgb,
                                           const std::string& text) {
  IndexedPicture picture;
  std::string error;
  if (!indexPlainly(rgb, picture)) {
    EXPECT_TRUE(quantize(rows, picture, error)) << error;
  }
  std::vector<unsigned char> bytes;
  const GifColourMap map = makeColourMap(picture.colours);
  GifFileType* gif = EGifOpen(&bytes, appendTo, nullptr);
  const int width = rows.shape().width, height = rows.shape().height;
  if (!text.empty()) EGifSetGifVersion(gif, true);
  EXPECT_EQ(EGifPutScreenDesc(gif, width, height, map->BitsPerPixel, 0,
                              map.get()), GIF_OK);
  if (!text.empty()) {
    EXPECT_TRUE(putComment(gif, text));
  }
  EXPECT_EQ(EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr),
            GIF_OK);
  EXPECT_TRUE(putIndexedRows(gif, picture, width, height));
  EXPECT_EQ(EGifCloseFile(gif, nullptr), GIF_OK);
  return bytes;
}

// Few colours are written in bands, more than 256 quantised whole; from a
// rereadable source or a one-pass one, the file is the one it always was.
TEST(GifEncoderTest, StreamedFileIsTheWholePictures) {
  const struct {
    int colours;  // 0: every pixel its own
    const char* text;
  } cases[] = {{1, ""}, {5, "recipe\n"}, {256, ""}, {0, ""}, {0, "recipe\n"}};
  for (const auto& c : cases) {
    const std::vector<unsigned char> rgb =
        marl_test::randomPixels(97, 150, c.colours, 7);
    MemoryRows reference(97, 150, rgb, true);
    const std::vector<unsigned char> want =
        wholePictureGif(reference, rgb, c.text);
    for (bool rereadable : {true, false}) {
      MemoryRows rows(97, 150, rgb, rereadable);
      EncodeOptions options;
      options.text = c.text;
      MemorySink sink;
      std::string error;
      ASSERT_TRUE(encodeGif(rows, options, sink, error)) << error;
      EXPECT_EQ(sink.bytes, want)
          << c.colours << " colours" << (rereadable ? "" : ", one pass");
    }
  }
}

}  // namespace
}  // namespace marl
