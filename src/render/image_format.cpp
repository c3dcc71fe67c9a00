#include "render/image_format.h"

namespace marl {

const std::vector<ImageFormat>& imageFormats() {
  static const std::vector<ImageFormat> formats = {
      // libjpeg's JPEG_MAX_DIMENSION; GIF's fields are 16 bits; TIFF and
      // BMP reach past any side marl makes.
      {"jpeg", {}, "jpg", encodeJpeg, 65500},
      {"tiff", {"tiff", "Tiff", "TIFF"}, "tif", encodeTiff, 65535},
      {"gif", {"gif", "Gif", "GIF"}, "gif", encodeGif, 65535},
      {"bmp", {"bmp", "Bmp", "BMP"}, "bmp", encodeBmp, 65535},
  };
  return formats;
}

const ImageFormat& formatForWord(const std::string& word) {
  const ImageFormat* chosen = &imageFormats().front();
  for (const ImageFormat& format : imageFormats()) {
    for (const char* spelling : format.spellings) {
      if (spelling != nullptr && word.find(spelling) != std::string::npos)
        chosen = &format;
    }
  }
  return *chosen;
}

const ImageFormat* findFormat(const std::string& name) {
  for (const ImageFormat& format : imageFormats()) {
    if (name == format.name) return &format;
  }
  return nullptr;
}

}  // namespace marl
