#include "image/image_format.h"

namespace marl {

const std::vector<ImageFormat>& imageFormats() {
  static const std::vector<ImageFormat> formats = {
      {"jpeg", {}, "jpg", encodeJpeg, "JPEG", 8, false, true, 65500},
      {"tiff", {"tiff", "Tiff", "TIFF"}, "tif", encodeTiff, "TIFF", 16, true,
       false, 65535},
      {"gif", {"gif", "Gif", "GIF"}, "gif", encodeGif, "GIF", 8, false, false,
       65535},
      {"bmp", {"bmp", "Bmp", "BMP"}, "bmp", encodeBmp, "BMP", 8, false, false,
       65535, bmpFileBytes, BmpMaxFileBytes},
      {"png", {"png", "Png", "PNG"}, "png", encodePng, "PNG", 16, true, false,
       65535},
      {"webp", {"webp", "Webp", "WEBP"}, "webp", encodeWebp, "WebP", 8, true,
       true, 16383},
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

bool acceptShape(const PictureShape& shape, int maxDepth, bool alphaAllowed,
                 const char* formatName, std::string& error) {
  if (shape.depth > maxDepth) {
    error = std::string("a ") + formatName + " picture holds " +
            std::to_string(maxDepth) + " bits a sample at most";
    return false;
  }
  if (shape.alpha && !alphaAllowed) {
    error = std::string("a ") + formatName + " picture has no alpha";
    return false;
  }
  return true;
}

}  // namespace marl
