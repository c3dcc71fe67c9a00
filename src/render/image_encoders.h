#ifndef MARL_RENDER_IMAGE_ENCODERS_H_
#define MARL_RENDER_IMAGE_ENCODERS_H_

#include <string>
#include <vector>

#include "render/bitmap.h"

namespace marl {

// Encodes a whole bitmap into the bytes of an image file, with
// `embeddedText` stored in the file where the format has a place for text
// (nothing is stored when it is empty). On failure returns false and puts the
// library's reason in `error`. Formats without alpha show transparent pixels
// as black (the premultiplied colour over black).
using EncodeFunction = bool (*)(const Bitmap& bitmap,
                                const std::string& embeddedText,
                                std::vector<unsigned char>& out,
                                std::string& error);

// The reason an encoder gives when memory runs out. An encoder may instead
// let std::bad_alloc out, but never through a C library's frames (its
// write callbacks catch it), and it holds every library handle in an owner
// that frees it on the way out.
constexpr const char* OutOfMemoryWhileEncoding =
    "out of memory while encoding; give a smaller size";

// Quality 95 without chroma subsampling: thin coloured lines smear under
// 4:2:0. The text goes into COM segments right after the JFIF header.
bool encodeJpeg(const Bitmap& bitmap, const std::string& embeddedText,
                std::vector<unsigned char>& out, std::string& error);
// Deflate-compressed, lossless: RGB when every pixel is opaque, otherwise
// RGBA with unassociated (un-premultiplied) alpha. The text is the
// ImageDescription tag, a C string: a text holding a NUL byte is refused.
bool encodeTiff(const Bitmap& bitmap, const std::string& embeddedText,
                std::vector<unsigned char>& out, std::string& error);
// The exact colours when there are 256 or fewer, else a quantised palette.
// The text is a Comment Extension before the image (the file is then
// GIF89a).
bool encodeGif(const Bitmap& bitmap, const std::string& embeddedText,
               std::vector<unsigned char>& out, std::string& error);
// 24-bit RGB. BMP has no place for text: `embeddedText` is ignored.
bool encodeBmp(const Bitmap& bitmap, const std::string& embeddedText,
               std::vector<unsigned char>& out, std::string& error);

}  // namespace marl

#endif  // MARL_RENDER_IMAGE_ENCODERS_H_
