#include "quazi/bitmap_rows.h"

#include <cairo.h>

#include <algorithm>
#include <cstdint>

namespace marl {

namespace {

bool allOpaque(const Bitmap& bitmap) {
  for (int y = 0; y < bitmap.height(); ++y) {
    const uint32_t* pixels = bitmap.row(y);
    for (int x = 0; x < bitmap.width(); ++x) {
      if ((pixels[x] >> 24) != 0xFFu) return false;
    }
  }
  return true;
}

// Undoes Cairo's premultiplication, rounding to nearest.
unsigned char unpremultiply(uint32_t channel, uint32_t alpha) {
  if (alpha == 0) return 0;
  return static_cast<unsigned char>(
      std::min<uint32_t>(255, (channel * 255 + alpha / 2) / alpha));
}

uint32_t premultiply(uint32_t channel, uint32_t alpha) {
  const uint32_t t = channel * alpha + 128;
  return (t + (t >> 8)) >> 8;
}

}  // namespace

BitmapRows::BitmapRows(const Bitmap& bitmap, bool keepAlpha)
    : bitmap_(bitmap) {
  cairo_surface_flush(bitmap.surface());
  shape_.width = bitmap.width();
  shape_.height = bitmap.height();
  shape_.alpha = keepAlpha && !allOpaque(bitmap);
}

void unpremultipliedRow(const uint32_t* pixels, int width, bool alpha,
                        unsigned char* out) {
  for (int x = 0; x < width; ++x) {
    const uint32_t p = pixels[x];
    const uint32_t a = p >> 24;
    const uint32_t r = (p >> 16) & 0xFFu, g = (p >> 8) & 0xFFu, b = p & 0xFFu;
    if (alpha) {
      *out++ = unpremultiply(r, a);
      *out++ = unpremultiply(g, a);
      *out++ = unpremultiply(b, a);
      *out++ = static_cast<unsigned char>(a);
    } else {
      *out++ = static_cast<unsigned char>(r);
      *out++ = static_cast<unsigned char>(g);
      *out++ = static_cast<unsigned char>(b);
    }
  }
}

void BitmapRows::readRows(int first, int count, unsigned char* out) {
  for (int y = first; y < first + count; ++y, out += shape_.rowBytes())
    unpremultipliedRow(bitmap_.row(y), shape_.width, shape_.alpha, out);
}

void paintBitmap(RowSource& source, Bitmap& bitmap) {
  cairo_surface_flush(bitmap.surface());
  const bool alpha = source.shape().alpha;
  forEachBand(source, [&](const unsigned char* rows, int first, int count) {
    const unsigned char* s = rows;
    for (int y = first; y < first + count; ++y) {
      uint32_t* pixels = bitmap.row(y);
      for (int x = 0; x < source.shape().width; ++x) {
        const uint32_t a = alpha ? s[3] : 0xFFu;
        pixels[x] = a << 24 | premultiply(s[0], a) << 16 |
                    premultiply(s[1], a) << 8 | premultiply(s[2], a);
        s += alpha ? 4 : 3;
      }
    }
    return true;
  });
  cairo_surface_mark_dirty(bitmap.surface());
}

}  // namespace marl
