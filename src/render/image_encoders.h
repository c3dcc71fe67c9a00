#ifndef MARL_RENDER_IMAGE_ENCODERS_H_
#define MARL_RENDER_IMAGE_ENCODERS_H_

#include <string>
#include <vector>

#include "render/bitmap.h"

namespace marl {

// Encodes a whole bitmap into the bytes of an image file. On failure returns
// false and puts the library's reason in `error`. Formats without alpha show
// transparent pixels as black (the premultiplied colour over black).
using EncodeFunction = bool (*)(const Bitmap& bitmap,
                                std::vector<unsigned char>& out,
                                std::string& error);

// Quality 95 without chroma subsampling: thin coloured lines smear under
// 4:2:0.
bool encodeJpeg(const Bitmap& bitmap, std::vector<unsigned char>& out,
                std::string& error);
// Deflate-compressed, lossless: RGB when every pixel is opaque, otherwise
// RGBA with unassociated (un-premultiplied) alpha.
bool encodeTiff(const Bitmap& bitmap, std::vector<unsigned char>& out,
                std::string& error);
// The exact colours when there are 256 or fewer, else a quantised palette.
bool encodeGif(const Bitmap& bitmap, std::vector<unsigned char>& out,
               std::string& error);
// 24-bit RGB.
bool encodeBmp(const Bitmap& bitmap, std::vector<unsigned char>& out,
               std::string& error);

}  // namespace marl

#endif  // MARL_RENDER_IMAGE_ENCODERS_H_
