#include "render/gif_palette.h"

#include <algorithm>
#include <unordered_map>

namespace marl {

bool indexExactly(RowSource& rows, IndexedPicture& picture) {
  const PictureShape& shape = rows.shape();
  std::unordered_map<uint32_t, GifByteType> slots;
  picture.colours.clear();
  picture.indices.resize(std::size_t(shape.width) * shape.height);
  GifByteType* out = picture.indices.data();
  // Pictures come in runs of one colour; the last one saves most look-ups.
  uint32_t lastColour = 0;
  GifByteType lastSlot = 0;
  bool haveLast = false;
  return forEachBand(rows, [&](const unsigned char* band, int, int count) {
    const unsigned char* p = band;
    for (std::size_t i = 0; i < std::size_t(shape.width) * count; ++i, p += 3) {
      const uint32_t colour = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
      if (!haveLast || colour != lastColour) {
        auto found = slots.find(colour);
        if (found == slots.end()) {
          if (slots.size() == GifMaxColours) return false;
          found = slots.emplace(colour, GifByteType(slots.size())).first;
          picture.colours.push_back(GifColorType{p[0], p[1], p[2]});
        }
        lastColour = colour;
        lastSlot = found->second;
        haveLast = true;
      }
      *out++ = lastSlot;
    }
    return true;
  });
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

ColorMapObject* makeColourMap(const IndexedPicture& picture) {
  const int bits = GifBitSize(static_cast<int>(picture.colours.size()));
  ColorMapObject* map = GifMakeMapObject(1 << bits, nullptr);
  if (!map) return nullptr;
  for (int i = 0; i < map->ColorCount; ++i)
    map->Colors[i] = GifColorType{0, 0, 0};
  for (std::size_t i = 0; i < picture.colours.size(); ++i)
    map->Colors[i] = picture.colours[i];
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
