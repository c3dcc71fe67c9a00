#include "render/image_encoders.h"

namespace marl {

const std::vector<ImageEncoder>& imageEncoders() {
  static const std::vector<ImageEncoder> encoders = {
      {"image/bmp", encodeBmp},
      {"image/jpeg", encodeJpeg},
      {"image/gif", encodeGif},
      {"image/tiff", encodeTiff},
  };
  return encoders;
}

int findEncoderClsid(const std::string& mimeType, EncodeFunction* encode,
                     const std::vector<ImageEncoder>& encoders) {
  for (std::size_t i = 0; i < encoders.size(); ++i) {
    if (mimeType == encoders[i].mimeType) {
      if (encode) *encode = encoders[i].encode;
      return static_cast<int>(i);
    }
  }
  return -1;
}

int findEncoderClsid(const std::string& mimeType, EncodeFunction* encode) {
  return findEncoderClsid(mimeType, encode, imageEncoders());
}

}  // namespace marl
