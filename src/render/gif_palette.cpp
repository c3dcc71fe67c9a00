#include "render/gif_palette.h"

#include <algorithm>
#include <unordered_map>

namespace marl {

namespace {

GifColorType colourOf(uint32_t pixel) {
  GifColorType c;
  c.Red = static_cast<GifByteType>(pixel >> 16);
  c.Green = static_cast<GifByteType>(pixel >> 8);
  c.Blue = static_cast<GifByteType>(pixel);
  return c;
}

}  // namespace

bool indexExactly(const Bitmap& bitmap, IndexedPicture& picture) {
  std::unordered_map<uint32_t, GifByteType> slots;
  picture.colours.clear();
  picture.indices.resize(std::size_t(bitmap.width()) * bitmap.height());
  GifByteType* out = picture.indices.data();
  // Pictures come in runs of one colour; the last one saves most look-ups.
  uint32_t lastColour = 0;
  GifByteType lastSlot = 0;
  bool haveLast = false;
  for (int y = 0; y < bitmap.height(); ++y) {
    const uint32_t* pixels = bitmap.row(y);
    for (int x = 0; x < bitmap.width(); ++x) {
      const uint32_t colour = pixels[x] & 0xFFFFFFu;
      if (!haveLast || colour != lastColour) {
        auto found = slots.find(colour);
        if (found == slots.end()) {
          if (slots.size() == GifMaxColours) return false;
          found = slots.emplace(colour, GifByteType(slots.size())).first;
          picture.colours.push_back(colourOf(colour));
        }
        lastColour = colour;
        lastSlot = found->second;
        haveLast = true;
      }
      *out++ = lastSlot;
    }
  }
  return true;
}

bool quantize(const Bitmap& bitmap, IndexedPicture& picture,
              std::string& error) {
  const std::size_t count = std::size_t(bitmap.width()) * bitmap.height();
  std::vector<GifByteType> red(count), green(count), blue(count);
  std::size_t i = 0;
  for (int y = 0; y < bitmap.height(); ++y) {
    const uint32_t* pixels = bitmap.row(y);
    for (int x = 0; x < bitmap.width(); ++x, ++i) {
      const GifColorType c = colourOf(pixels[x]);
      red[i] = c.Red;
      green[i] = c.Green;
      blue[i] = c.Blue;
    }
  }
  picture.indices.resize(count);
  picture.colours.assign(GifMaxColours, GifColorType{0, 0, 0});
  int mapSize = GifMaxColours;
  if (GifQuantizeBuffer(bitmap.width(), bitmap.height(), &mapSize, red.data(),
                        green.data(), blue.data(), picture.indices.data(),
                        picture.colours.data()) != GIF_OK) {
    error = "cannot reduce the picture to 256 colours";
    return false;
  }
  return true;
}

void abandonGif(GifFileType* gif) { EGifCloseFile(gif, nullptr); }

GifColourMap makeColourMap(const IndexedPicture& picture) {
  const int bits = GifBitSize(static_cast<int>(picture.colours.size()));
  GifColourMap map(GifMakeMapObject(1 << bits, nullptr));
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
