#include "render/image_format.h"

namespace marl {

const std::vector<ImageFormat>& imageFormats() {
  static const std::vector<ImageFormat> formats = {
      {"jpeg", {}, "jpg", encodeJpeg},
      {"tiff", {"tiff", "Tiff", "TIFF"}, "tif", encodeTiff},
      {"gif", {"gif", "Gif", "GIF"}, "gif", encodeGif},
      {"bmp", {"bmp", "Bmp", "BMP"}, "bmp", encodeBmp},
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
