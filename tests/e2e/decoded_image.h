#ifndef MARL_TESTS_E2E_DECODED_IMAGE_H_
#define MARL_TESTS_E2E_DECODED_IMAGE_H_

#include <cstdint>
#include <string>
#include <vector>

namespace marl_e2e {

// A picture read back from a file by the format's own decoder library.
struct DecodedImage {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // 0xAARRGGBB, row by row from the top
  uint32_t at(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
};

// Decodes by the file's extension (jpg, tif, gif, bmp). Returns a picture
// of width 0 when the file cannot be decoded.
DecodedImage decodeImageFile(const std::string& path);

}  // namespace marl_e2e

#endif  // MARL_TESTS_E2E_DECODED_IMAGE_H_
