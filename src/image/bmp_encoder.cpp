#include <algorithm>
#include <array>
#include <new>
#include <vector>

#include "image/image_encoders.h"

namespace marl {

namespace {

// A BITMAPFILEHEADER and a BITMAPINFOHEADER, no palette.
constexpr uint64_t HeaderBytes = 14 + 40;

// Rows are stored padded to a multiple of 4 bytes.
uint64_t fileRowBytes(uint64_t width) { return (width * 3 + 3) & ~uint64_t(3); }

unsigned char* put16(unsigned char* p, uint32_t value) {
  *p++ = static_cast<unsigned char>(value);
  *p++ = static_cast<unsigned char>(value >> 8);
  return p;
}

unsigned char* put32(unsigned char* p, uint32_t value) {
  return put16(put16(p, value & 0xFFFFu), value >> 16);
}

// The headers field for field as Boost.GIL's writer made them, before
// pictures were streamed (GIL cannot write in bands, so they are written
// here): image size 0, as BI_RGB allows, and no resolution.
std::array<unsigned char, HeaderBytes> headers(int width, int height) {
  std::array<unsigned char, HeaderBytes> bytes{};
  unsigned char* p = bytes.data();
  *p++ = 'B';
  *p++ = 'M';
  p = put32(p, uint32_t(bmpFileBytes(uint64_t(width), uint64_t(height))));
  p = put32(p, 0);  // two reserved words
  p = put32(p, uint32_t(HeaderBytes));
  p = put32(p, 40);  // the info header's own size
  p = put32(p, uint32_t(width));
  p = put32(p, uint32_t(height));  // positive: rows go bottom up
  p = put16(p, 1);                 // planes
  p = put16(p, 24);                // bits a pixel
  // Compression (BI_RGB), image size, resolution x and y, colours used and
  // important: all 0, which the array already holds.
  return bytes;
}

// Writes the rows of a rereadable `rows` as BMP pixel data: bands from the
// bottom one up, each row reversed into BGR and padded with zeros.
bool putRowsBottomUp(RowSource& rows, ByteSink& out) {
  const PictureShape& shape = rows.shape();
  const std::size_t fileRow = std::size_t(fileRowBytes(uint64_t(shape.width)));
  const int band = std::min(BandRows, std::max(shape.height, 1));
  std::vector<unsigned char> pixels(shape.rowBytes() * std::size_t(band));
  std::vector<unsigned char> file(fileRow * std::size_t(band));
  // The bands are those of forEachBand, the last one first.
  for (int first = shape.height > 0 ? (shape.height - 1) / band * band : -1;
       first >= 0; first -= band) {
    const int count = std::min(band, shape.height - first);
    rows.readRows(first, count, pixels.data());
    for (int i = 0; i < count; ++i) {
      const unsigned char* p =
          pixels.data() + shape.rowBytes() * std::size_t(count - 1 - i);
      unsigned char* q = file.data() + fileRow * std::size_t(i);
      for (int x = 0; x < shape.width; ++x, p += 3, q += 3) {
        q[0] = p[2];
        q[1] = p[1];
        q[2] = p[0];
      }
    }
    if (!out.append(file.data(), fileRow * std::size_t(count))) return false;
  }
  return true;
}

}  // namespace

uint64_t bmpFileBytes(uint64_t width, uint64_t height) {
  return HeaderBytes + fileRowBytes(width) * height;
}

bool encodeBmp(RowSource& rows, const EncodeOptions& options, ByteSink& out,
               std::string& error) {
  const PictureShape& shape = rows.shape();
  if (!acceptShape(shape, 8, false, "BMP", error)) return false;
  if (bmpFileBytes(uint64_t(shape.width), uint64_t(shape.height)) >
      BmpMaxFileBytes) {
    error =
        "picture too large for BMP (its file would pass 4 GiB); give a "
        "smaller size or another image type";
    return false;
  }
  try {
    // Rows bottom up need a source that can give them out of order.
    if (!rows.rereadable()) {
      HeldRows held(rows);
      return encodeBmp(held, options, out, error);
    }
    const auto header = headers(shape.width, shape.height);
    if (!out.append(header.data(), header.size()) ||
        !putRowsBottomUp(rows, out)) {
      error = "cannot write the BMP";
      return false;
    }
    return true;
  } catch (const std::bad_alloc&) {
    error = OutOfMemoryWhileEncoding;
    return false;
  }
}

}  // namespace marl
