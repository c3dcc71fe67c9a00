#include <gif_lib.h>

#include <algorithm>
#include <memory>
#include <vector>
#include <unordered_map>

#include "render/image_encoders.h"

namespace marl {

namespace {

constexpr int MaxColours = 256;
// GIF stores sides in 16 bits.
constexpr int MaxSide = 65535;

int appendBytes(GifFileType* gif, const GifByteType* data, int length) {
  auto* out = static_cast<ByteSink*>(gif->UserData);
  return out->append(data, std::size_t(length)) ? length : 0;
}

// The picture as palette indices, row by row, with its colour map.
struct IndexedPicture {
  std::vector<GifByteType> indices;
  std::vector<GifColorType> colours;
};

GifColorType colourAt(const unsigned char* rgb) {
  return GifColorType{rgb[0], rgb[1], rgb[2]};
}

// Indexes the picture by its own colours; false when there are too many.
bool indexExactly(RowSource& rows, IndexedPicture& picture) {
  const PictureShape& shape = rows.shape();
  std::unordered_map<uint32_t, GifByteType> slots;
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
          if (slots.size() == MaxColours) return false;
          found = slots.emplace(colour, GifByteType(slots.size())).first;
          picture.colours.push_back(colourAt(p));
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
  picture.colours.assign(MaxColours, GifColorType{0, 0, 0});
  int mapSize = MaxColours;
  if (GifQuantizeBuffer(shape.width, shape.height, &mapSize, red.data(),
                        green.data(), blue.data(), picture.indices.data(),
                        picture.colours.data()) != GIF_OK) {
    error = "cannot reduce the picture to 256 colours";
    return false;
  }
  return true;
}

struct MapDeleter {
  void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

// Owns an open GIF writer; closing it finishes the file.
class GifWriter {
 public:
  explicit GifWriter(ByteSink& out) : gif_(EGifOpen(&out, appendBytes, &status_)) {}
  ~GifWriter() { close(); }
  GifWriter(const GifWriter&) = delete;
  GifWriter& operator=(const GifWriter&) = delete;

  GifFileType* get() const { return gif_; }
  int openStatus() const { return status_; }
  // False, with the status in `status`, when the file cannot be finished.
  bool close(int* status = nullptr) {
    if (!gif_) return true;
    int closeStatus = E_GIF_SUCCEEDED;
    const bool ok = EGifCloseFile(gif_, &closeStatus) == GIF_OK;
    gif_ = nullptr;
    if (status) *status = closeStatus;
    return ok;
  }

 private:
  int status_ = E_GIF_SUCCEEDED;
  GifFileType* gif_;
};

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

bool writeGif(const PictureShape& shape, const IndexedPicture& picture,
              const std::string& text, ByteSink& out, std::string& error) {
  // A colour map holds a power of two entries, at least 2.
  const int bits = GifBitSize(static_cast<int>(picture.colours.size()));
  const std::unique_ptr<ColorMapObject, MapDeleter> map(
      GifMakeMapObject(1 << bits, nullptr));
  if (!map) {
    error = GifErrorString(E_GIF_ERR_NOT_ENOUGH_MEM);
    return false;
  }
  for (int i = 0; i < map->ColorCount; ++i)
    map->Colors[i] = GifColorType{0, 0, 0};
  for (std::size_t i = 0; i < picture.colours.size(); ++i)
    map->Colors[i] = picture.colours[i];

  GifWriter writer(out);
  GifFileType* gif = writer.get();
  if (!gif) {
    error = GifErrorString(writer.openStatus());
    return false;
  }
  // Extensions came with GIF89a; a picture without text stays GIF87a.
  if (!text.empty()) EGifSetGifVersion(gif, true);
  const int width = shape.width, height = shape.height;
  // The comment goes before the image, so that a reader finds it without
  // going through the picture data. The screen descriptor keeps its own
  // copy of the map.
  bool ok =
      EGifPutScreenDesc(gif, width, height, bits, 0, map.get()) == GIF_OK &&
      (text.empty() || putComment(gif, text)) &&
      EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) == GIF_OK;
  for (int y = 0; ok && y < height; ++y) {
    auto* line = const_cast<GifPixelType*>(picture.indices.data() +
                                           std::size_t(y) * width);
    ok = EGifPutLine(gif, line, width) == GIF_OK;
  }
  int status = ok ? E_GIF_SUCCEEDED : gif->Error;
  int closeStatus = E_GIF_SUCCEEDED;
  if (!writer.close(&closeStatus) && ok) {
    ok = false;
    status = closeStatus;
  }
  if (!ok) error = GifErrorString(status);
  return ok;
}

}  // namespace

bool encodeGif(RowSource& rows, const EncodeOptions& options, ByteSink& out,
               std::string& error) {
  const PictureShape& shape = rows.shape();
  if (!acceptShape(shape, 8, false, "GIF", error)) return false;
  if (shape.width > MaxSide || shape.height > MaxSide) {
    error = "picture too large for GIF (65535 pixels a side at most)";
    return false;
  }
  IndexedPicture picture;
  if (!indexExactly(rows, picture)) {
    picture = IndexedPicture();
    if (!quantize(rows, picture, error)) return false;
  }
  return writeGif(shape, picture, options.text, out, error);
}

}  // namespace marl
