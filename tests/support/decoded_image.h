#ifndef MARL_TESTS_SUPPORT_DECODED_IMAGE_H_
#define MARL_TESTS_SUPPORT_DECODED_IMAGE_H_

#include <cstdint>
#include <string>
#include <vector>

namespace marl_test {

// A picture read back from a file by the format's own decoder library.
struct DecodedImage {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // 0xAARRGGBB, row by row from the top
  int samples = 0;       // TIFF: 3 (RGB) or 4 (RGB + unassociated alpha)
  int subsampling = -1;  // JPEG: the TJSAMP_* of the chroma
  int colours = 0;       // GIF: entries in the colour map
  int depth = 8;         // bits a sample (PNG, TIFF: 8 or 16)
  bool alpha = false;    // PNG, TIFF, WebP: the file has an alpha channel
  // With depth 16, the samples themselves, 0xAAAARRRRGGGGBBBB; `pixels`
  // then holds their high bytes.
  std::vector<uint64_t> deep;
  uint32_t at(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
};

// Decodes by the file's extension (jpg, tif, gif, bmp, png, webp). Returns a picture
// of width 0 when the file cannot be decoded. TIFF pixels are the stored
// samples: 8 or 16 bits each, alpha (if any) unassociated, colour not
// premultiplied. Any other TIFF layout, or a GIF of more than one frame,
// cannot be decoded.
DecodedImage decodeImageFile(const std::string& path);

}  // namespace marl_test

#endif  // MARL_TESTS_SUPPORT_DECODED_IMAGE_H_
