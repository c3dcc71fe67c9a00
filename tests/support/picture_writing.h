#ifndef MARL_TESTS_SUPPORT_PICTURE_WRITING_H_
#define MARL_TESTS_SUPPORT_PICTURE_WRITING_H_

// Pictures written from rows as a job writes them, for the tests of the
// image files and of how they reach the disk.
#include <algorithm>
#include <cstdlib>
#include <ostream>
#include <string>

#include "image/image_file.h"
#include "image/image_format.h"
#include "support/decoded_image.h"
#include "support/memory_rows.h"

namespace marl_test {

using marl::ImageFormat;
using marl::findFormat;

inline const ImageFormat& ImageBmp = *findFormat("bmp");
inline const ImageFormat& ImageJpeg = *findFormat("jpeg");
inline const ImageFormat& ImageTiff = *findFormat("tiff");
inline const ImageFormat& ImageGif = *findFormat("gif");

inline uint32_t argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
  return a << 24 | r << 16 | g << 8 | b;
}
inline uint32_t red(uint32_t p) { return (p >> 16) & 0xFF; }
inline uint32_t green(uint32_t p) { return (p >> 8) & 0xFF; }
inline uint32_t blue(uint32_t p) { return p & 0xFF; }

// Odd, unequal sides catch swapped dimensions and row padding.
constexpr int Width = 37;
constexpr int Height = 23;

// Every channel varies independently, so swapped channels or rows show.
inline void paintNoise(Pixels& bitmap) {
  for (int y = 0; y < bitmap.height; ++y)
    for (int x = 0; x < bitmap.width; ++x)
      bitmap.at(x, y) = argb(255, (x * 37 + y * 11) & 255,
                              ((x * 13) ^ (y * 29)) & 255, (x * y + 5) & 255);
}

// Smooth, with 851 colours: JPEG stays close and GIF has to quantise.
inline void paintGradient(Pixels& bitmap) {
  for (int y = 0; y < bitmap.height; ++y)
    for (int x = 0; x < bitmap.width; ++x)
      bitmap.at(x, y) = argb(255, x * 7, y * 11, (x * 3 + y * 5));
}

// Sixteen colours in 3 x 3 blocks.
inline void paintFewColours(Pixels& bitmap) {
  for (int y = 0; y < bitmap.height; ++y)
    for (int x = 0; x < bitmap.width; ++x)
      bitmap.at(x, y) = argb(255, (x / 3 % 4) * 80, (y / 3 % 4) * 60, 200);
}

// Writes `pixels` as the job writes rows.
inline bool writePicture(const Pixels& pixels, const ImageFormat& format,
                  const std::string& fileName, std::ostream& err,
                  std::string* writtenName = nullptr) {
  MemoryRows rows = rowsOf(pixels);
  return marl::writeImageFile(rows, format, fileName, err, {}, writtenName);
}

// An opaque black picture.
inline Pixels picture(int width, int height) {
  Pixels pixels = blankPixels(width, height);
  for (uint32_t& p : pixels.argb) p = 0xFF000000u;
  return pixels;
}

inline void expectSamePixels(const Pixels& bitmap, const DecodedImage& picture) {
  ASSERT_EQ(picture.width, bitmap.width);
  ASSERT_EQ(picture.height, bitmap.height);
  ASSERT_EQ(picture.pixels.size(), std::size_t(bitmap.width) * bitmap.height);
  for (int y = 0; y < bitmap.height; ++y)
    for (int x = 0; x < bitmap.width; ++x)
      ASSERT_EQ(picture.at(x, y), bitmap.at(x, y)) << x << "," << y;
}

// Per pixel, the largest difference of any channel between the bitmap and
// the picture; the worst and the mean of these.
struct Error {
  int worst = 0;
  double mean = 0.0;
};

inline Error errorOf(const Pixels& bitmap, const DecodedImage& picture) {
  Error e;
  for (int y = 0; y < bitmap.height; ++y)
    for (int x = 0; x < bitmap.width; ++x) {
      const uint32_t a = bitmap.at(x, y), b = picture.at(x, y);
      const int d = std::max({std::abs(int(red(a)) - int(red(b))),
                              std::abs(int(green(a)) - int(green(b))),
                              std::abs(int(blue(a)) - int(blue(b)))});
      e.worst = std::max(e.worst, d);
      e.mean += d;
    }
  e.mean /= double(bitmap.width) * bitmap.height;
  return e;
}

}  // namespace marl_test

#endif  // MARL_TESTS_SUPPORT_PICTURE_WRITING_H_
