#include "image/gif_palette.h"

#include <algorithm>

namespace marl {

bool findColours(RowSource& rows, ColourSlots& slots) {
  const std::size_t width = std::size_t(rows.shape().width);
  return forEachBand(rows, [&](const unsigned char* band, int, int count) {
    const unsigned char* end = band + width * std::size_t(count) * 3;
    for (const unsigned char* p = band; p != end; p += 3)
      if (slots.slotOf(p) < 0) return false;
    return true;
  });
}

bool indexExactly(RowSource& rows, IndexedPicture& picture) {
  const PictureShape& shape = rows.shape();
  ColourSlots slots;
  picture.indices.resize(std::size_t(shape.width) * shape.height);
  GifByteType* out = picture.indices.data();
  const bool exact =
      forEachBand(rows, [&](const unsigned char* band, int, int count) {
        const unsigned char* end =
            band + std::size_t(shape.width) * std::size_t(count) * 3;
        for (const unsigned char* p = band; p != end; p += 3) {
          const int slot = slots.slotOf(p);
          if (slot < 0) return false;
          *out++ = GifByteType(slot);
        }
        return true;
      });
  picture.colours = slots.colours();
  return exact;
}

bool quantize(RowSource& rows, IndexedPicture& picture, std::string& error) {
  const PictureShape& shape = rows.shape();
  const std::size_t count = std::size_t(shape.width) * shape.height;
  std::vector<GifByteType> red(count), green(count), blue(count);
  std::size_t i = 0;
  forEachBand(rows, [&](const unsigned char* band, int, int n) {
    const unsigned char* p = band;
    for (std::size_t k = 0; k < std::size_t(shape.width) * n; ++k, ++i, p += 3) {
      red[i] = p[0];
      green[i] = p[1];
      blue[i] = p[2];
    }
    return true;
  });
  picture.indices.resize(count);
  picture.colours.assign(GifMaxColours, GifColorType{0, 0, 0});
  int mapSize = GifMaxColours;
  if (GifQuantizeBuffer(shape.width, shape.height, &mapSize, red.data(),
                        green.data(), blue.data(), picture.indices.data(),
                        picture.colours.data()) != GIF_OK) {
    error = "cannot reduce the picture to 256 colours";
    return false;
  }
  return true;
}

void abandonGif(GifFileType* gif) { EGifCloseFile(gif, nullptr); }

GifColourMap makeColourMap(const std::vector<GifColorType>& colours) {
  const int bits = GifBitSize(static_cast<int>(colours.size()));
  GifColourMap map(GifMakeMapObject(1 << bits, nullptr));
  if (!map) return nullptr;
  for (int i = 0; i < map->ColorCount; ++i)
    map->Colors[i] = GifColorType{0, 0, 0};
  for (std::size_t i = 0; i < colours.size(); ++i) map->Colors[i] = colours[i];
  return map;
}

bool putIndexedRows(GifFileType* gif, const IndexedPicture& picture,
                    int width, int height) {
  for (int y = 0; y < height; ++y) {
    auto* line = const_cast<GifPixelType*>(picture.indices.data() +
                                           std::size_t(y) * width);
    if (EGifPutLine(gif, line, width) != GIF_OK) return false;
  }
  return true;
}

bool putComment(GifFileType* gif, const std::string& text) {
  if (EGifPutExtensionLeader(gif, COMMENT_EXT_FUNC_CODE) != GIF_OK)
    return false;
  for (std::size_t from = 0; from < text.size(); from += 255) {
    const int n =
        static_cast<int>(std::min<std::size_t>(255, text.size() - from));
    if (EGifPutExtensionBlock(gif, n, text.data() + from) != GIF_OK)
      return false;
  }
  return EGifPutExtensionTrailer(gif) == GIF_OK;
}

}  // namespace marl
