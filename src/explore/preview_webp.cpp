#include "explore/preview_webp.h"

#include <webp/encode.h>

namespace marl {

namespace {

// Owns what the encoder allocates, so an exception frees it.
struct Encoding {
  WebPPicture picture;
  WebPMemoryWriter memory;
  Encoding() {
    WebPPictureInit(&picture);
    WebPMemoryWriterInit(&memory);
  }
  ~Encoding() {
    WebPPictureFree(&picture);
    WebPMemoryWriterClear(&memory);
  }
  Encoding(const Encoding&) = delete;
  Encoding& operator=(const Encoding&) = delete;
};

}  // namespace

std::vector<unsigned char> previewWebp(RowSource& rows) {
  const PictureShape& shape = rows.shape();
  if (shape.depth != 8) return {};
  WebPConfig config;
  if (!WebPConfigPreset(&config, WEBP_PRESET_DEFAULT, 75)) return {};
  config.method = 1;
  config.thread_level = 1;
  std::vector<unsigned char> pixels = readWholePicture(rows);
  Encoding encoding;
  encoding.picture.width = shape.width;
  encoding.picture.height = shape.height;
  encoding.picture.writer = WebPMemoryWrite;
  encoding.picture.custom_ptr = &encoding.memory;
  const int stride = int(shape.rowBytes());
  const int imported =
      shape.alpha
          ? WebPPictureImportRGBA(&encoding.picture, pixels.data(), stride)
          : WebPPictureImportRGB(&encoding.picture, pixels.data(), stride);
  if (!imported || !WebPEncode(&config, &encoding.picture)) return {};
  return std::vector<unsigned char>(encoding.memory.mem,
                                    encoding.memory.mem + encoding.memory.size);
}

}  // namespace marl
