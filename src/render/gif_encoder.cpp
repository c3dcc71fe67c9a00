#include <gif_lib.h>

#include <algorithm>
#include <new>
#include <unordered_map>

#include "base/c_handle.h"
#include "render/image_encoders.h"

namespace marl {

namespace {

constexpr int MaxColours = 256;
// GIF stores sides in 16 bits.
constexpr int MaxSide = 65535;

// Where giflib's writes go.
struct GifOutput {
  std::vector<unsigned char>* bytes;
  bool outOfMemory;  // a write found no memory: giflib saw it fail
};

int appendBytes(GifFileType* gif, const GifByteType* data, int length) {
  auto* out = static_cast<GifOutput*>(gif->UserData);
  // No exception may pass through giflib, which would free nothing.
  try {
    out->bytes->insert(out->bytes->end(), data, data + length);
  } catch (const std::bad_alloc&) {
    out->outOfMemory = true;
    return 0;
  }
  return length;
}

// Closes without looking at the outcome: for a file given up on.
void closeGif(GifFileType* gif) { EGifCloseFile(gif, nullptr); }

// The picture as palette indices, row by row, with its colour map.
struct IndexedPicture {
  std::vector<GifByteType> indices;
  std::vector<GifColorType> colours;
};

// Alpha is dropped: the colour bytes are premultiplied, so what is left is
// the pixel over black.
GifColorType colourOf(uint32_t pixel) {
  GifColorType c;
  c.Red = static_cast<GifByteType>(pixel >> 16);
  c.Green = static_cast<GifByteType>(pixel >> 8);
  c.Blue = static_cast<GifByteType>(pixel);
  return c;
}

// Indexes the picture by its own colours; false when there are too many.
bool indexExactly(const Bitmap& bitmap, IndexedPicture& picture) {
  std::unordered_map<uint32_t, GifByteType> slots;
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
          if (slots.size() == MaxColours) return false;
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
  picture.colours.assign(MaxColours, GifColorType{0, 0, 0});
  int mapSize = MaxColours;
  if (GifQuantizeBuffer(bitmap.width(), bitmap.height(), &mapSize, red.data(),
                        green.data(), blue.data(), picture.indices.data(),
                        picture.colours.data()) != GIF_OK) {
    error = "cannot reduce the picture to 256 colours";
    return false;
  }
  return true;
}

// A Comment Extension in sub-blocks of at most 255 bytes. giflib's
// EGifPutComment would stop at a NUL byte; this keeps every byte.
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

bool writeGif(const Bitmap& bitmap, const IndexedPicture& picture,
              const std::string& text, std::vector<unsigned char>& out,
              std::string& error) {
  // A colour map holds a power of two entries, at least 2.
  const int bits = GifBitSize(static_cast<int>(picture.colours.size()));
  const CHandle<ColorMapObject, GifFreeMapObject> map(
      GifMakeMapObject(1 << bits, nullptr));
  if (!map) {
    error = GifErrorString(E_GIF_ERR_NOT_ENOUGH_MEM);
    return false;
  }
  for (int i = 0; i < map->ColorCount; ++i)
    map->Colors[i] = GifColorType{0, 0, 0};
  for (std::size_t i = 0; i < picture.colours.size(); ++i)
    map->Colors[i] = picture.colours[i];

  int status = E_GIF_SUCCEEDED;
  GifOutput output{&out, false};
  CHandle<GifFileType, closeGif> handle(
      EGifOpen(&output, appendBytes, &status));
  GifFileType* const gif = handle.get();
  if (!gif) {
    error = GifErrorString(status);
    return false;
  }
  // Extensions came with GIF89a; a picture without text stays GIF87a.
  if (!text.empty()) EGifSetGifVersion(gif, true);
  const int width = bitmap.width(), height = bitmap.height();
  // The comment goes before the image, so that a reader finds it without
  // going through the picture data.
  // The screen descriptor keeps its own copy of the map.
  bool ok =
      EGifPutScreenDesc(gif, width, height, bits, 0, map.get()) == GIF_OK &&
      (text.empty() || putComment(gif, text)) &&
      EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) == GIF_OK;
  for (int y = 0; ok && y < height; ++y) {
    auto* line = const_cast<GifPixelType*>(picture.indices.data() +
                                           std::size_t(y) * width);
    ok = EGifPutLine(gif, line, width) == GIF_OK;
  }
  if (!ok) status = gif->Error;
  int closeStatus = E_GIF_SUCCEEDED;
  // Closing writes the trailer and frees the file whatever it returns.
  if (EGifCloseFile(handle.release(), &closeStatus) != GIF_OK && ok) {
    ok = false;
    status = closeStatus;
  }
  if (output.outOfMemory)
    error = OutOfMemoryWhileEncoding;
  else if (!ok)
    error = GifErrorString(status);
  return ok && !output.outOfMemory;
}

}  // namespace

bool encodeGif(const Bitmap& bitmap, const std::string& embeddedText,
               std::vector<unsigned char>& out, std::string& error) {
  if (bitmap.width() > MaxSide || bitmap.height() > MaxSide) {
    error = "picture too large for GIF (65535 pixels a side at most)";
    return false;
  }
  cairo_surface_flush(bitmap.surface());
  out.clear();
  IndexedPicture picture;
  if (!indexExactly(bitmap, picture)) {
    picture = IndexedPicture();
    if (!quantize(bitmap, picture, error)) return false;
  }
  return writeGif(bitmap, picture, embeddedText, out, error);
}

}  // namespace marl
