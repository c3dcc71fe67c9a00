#ifndef MARL_IMAGE_IMAGE_ENCODERS_H_
#define MARL_IMAGE_IMAGE_ENCODERS_H_

#include <cstdint>
#include <string>

#include "base/picture_rows.h"

namespace marl {

// How a picture is to be encoded, beyond its shape.
struct EncodeOptions {
  // Stored in the file where the format has a place for text; nothing is
  // stored when it is empty.
  std::string text;
  // 1..100 for the lossy formats (JPEG, lossy WebP); 0 gives the format's
  // own default.
  int quality = 0;
  // WebP only: lossless instead of lossy.
  bool lossless = false;
};

// Encodes the rows of `rows` into the bytes of an image file, written to
// `out` as they are made. On failure returns false and puts the library's
// reason in `error` (a failed write to `out` leaves its errno set). Each
// accepts the shapes its format can hold (see ImageFormat) and refuses
// others.
using EncodeFunction = bool (*)(RowSource& rows, const EncodeOptions& options,
                                ByteSink& out, std::string& error);

// False, with the reason in `error`, when `shape` is deeper than `maxDepth`
// or has alpha the format cannot hold.
bool acceptShape(const PictureShape& shape, int maxDepth, bool alphaAllowed,
                 const char* formatName, std::string& error);

// The reason an encoder gives when memory runs out. An encoder may instead
// let std::bad_alloc out, but never through a C library's frames (its
// write callbacks catch it), and it holds every library handle in an owner
// that frees it on the way out.
constexpr const char* OutOfMemoryWhileEncoding =
    "out of memory while encoding; give a smaller size";

// Quality 95 (or the one asked for) without chroma subsampling: thin
// coloured lines smear under 4:2:0. Written a band at a time, so only a
// band of the picture is held. The text goes into COM segments right after
// the JFIF header. 8-bit RGB only.
bool encodeJpeg(RowSource& rows, const EncodeOptions& options, ByteSink& out,
                std::string& error);
// Deflate-compressed, lossless, 8 or 16 bits a sample, RGB or RGBA with
// unassociated alpha; a BigTIFF when the file could pass 4 GiB. The text is
// the ImageDescription tag, a C string: a text holding a NUL byte is
// refused.
bool encodeTiff(RowSource& rows, const EncodeOptions& options, ByteSink& out,
                std::string& error);
// The exact colours when there are 256 or fewer, else a quantised palette.
// The text is a Comment Extension before the image (the file is then
// GIF89a). 8-bit RGB only. From a rereadable source the exact colours are
// found in one pass over the bands and the picture written in a second,
// holding no more than a band; a picture of more colours is held whole
// (three colour planes and an index a pixel), as giflib's median cut takes
// it. A one-pass source is gathered whole first.
bool encodeGif(RowSource& rows, const EncodeOptions& options, ByteSink& out,
               std::string& error);
// 24-bit RGB, rows bottom up as BMP stores them: from a rereadable source
// band by band from the bottom, a one-pass source gathered whole first. A
// picture whose file would pass the 4 GiB its header can record is refused.
// BMP has no place for text: it is ignored.
bool encodeBmp(RowSource& rows, const EncodeOptions& options, ByteSink& out,
               std::string& error);

// A BMP header records the file's size in 32 bits.
constexpr uint64_t BmpMaxFileBytes = 0xFFFFFFFFu;
// Bytes of the BMP file of a width x height picture.
uint64_t bmpFileBytes(uint64_t width, uint64_t height);
// Lossless, 8 or 16 bits a sample, RGB or RGBA, written row by row. The
// text is an uncompressed iTXt chunk (keyword "Description") before the
// image data.
bool encodePng(RowSource& rows, const EncodeOptions& options, ByteSink& out,
               std::string& error);
// Lossy at quality 90 (or the one asked for), or lossless; 8 bits, RGB or
// RGBA; 16383 pixels a side at most. The text is an XMP packet (its
// dc:description) after the image.
bool encodeWebp(RowSource& rows, const EncodeOptions& options, ByteSink& out,
                std::string& error);

}  // namespace marl

#endif  // MARL_IMAGE_IMAGE_ENCODERS_H_
