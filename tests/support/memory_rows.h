#ifndef MARL_TESTS_SUPPORT_MEMORY_ROWS_H_
#define MARL_TESTS_SUPPORT_MEMORY_ROWS_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "base/picture_rows.h"

namespace marl_test {

// 8-bit RGB pixels (RGBA, unassociated, with `alpha`) held in memory,
// given out as a rereadable source or as a one-pass one, which fails the
// test when a row is asked for twice or out of order.
class MemoryRows : public marl::RowSource {
 public:
  MemoryRows(int width, int height, std::vector<unsigned char> rgb,
             bool rereadable, bool alpha = false)
      : rgb_(std::move(rgb)), rereadable_(rereadable) {
    shape_.width = width;
    shape_.height = height;
    shape_.alpha = alpha;
  }

  const marl::PictureShape& shape() const override { return shape_; }
  void readRows(int first, int count, unsigned char* out) override {
    if (!rereadable_) {
      EXPECT_EQ(first, next_) << "a one-pass source read out of order";
      next_ = first + count;
    }
    ++reads_;
    const std::size_t row = shape_.rowBytes();
    if (row * std::size_t(first + count) > rgb_.size()) {
      ADD_FAILURE() << "rows past the pixels held";
      return;
    }
    std::memcpy(out, rgb_.data() + row * std::size_t(first),
                row * std::size_t(count));
  }
  bool rereadable() const override { return rereadable_; }
  int reads() const { return reads_; }

 private:
  marl::PictureShape shape_;
  std::vector<unsigned char> rgb_;
  bool rereadable_;
  int next_ = 0;
  int reads_ = 0;
};

// A picture's pixels as 0xAARRGGBB words, unassociated alpha, opaque where
// the rows have none: what a test compares.
struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> argb;
  uint32_t at(int x, int y) const {
    return argb[std::size_t(y) * std::size_t(width) + std::size_t(x)];
  }
  uint32_t& at(int x, int y) {
    return argb[std::size_t(y) * std::size_t(width) + std::size_t(x)];
  }
};

inline Pixels blankPixels(int width, int height) {
  return Pixels{width, height,
                std::vector<uint32_t>(std::size_t(width) * height, 0)};
}

// Every row of an 8-bit source.
inline Pixels readPixels(marl::RowSource& source) {
  const marl::PictureShape& shape = source.shape();
  EXPECT_EQ(shape.depth, 8);
  Pixels pixels = blankPixels(shape.width, shape.height);
  const std::vector<unsigned char> rows = marl::readWholePicture(source);
  const unsigned char* s = rows.data();
  for (uint32_t& p : pixels.argb) {
    const uint32_t a = shape.alpha ? s[3] : 0xFFu;
    p = a << 24 | uint32_t(s[0]) << 16 | uint32_t(s[1]) << 8 | s[2];
    s += shape.samples();
  }
  return pixels;
}

// `pixels` as a rereadable source: RGBA when some pixel is not opaque (or
// with `alpha`), RGB otherwise.
inline MemoryRows rowsOf(const Pixels& pixels, bool alpha = false) {
  for (uint32_t p : pixels.argb) alpha |= (p >> 24) != 0xFFu;
  std::vector<unsigned char> bytes;
  for (uint32_t p : pixels.argb) {
    bytes.push_back((unsigned char)(p >> 16));
    bytes.push_back((unsigned char)(p >> 8));
    bytes.push_back((unsigned char)p);
    if (alpha) bytes.push_back((unsigned char)(p >> 24));
  }
  return MemoryRows(pixels.width, pixels.height, std::move(bytes), true,
                    alpha);
}

// width x height pseudo-random pixels, each one of the first `colours`
// colours of a fixed random sequence (colours of 0 leave every pixel free).
inline std::vector<unsigned char> randomPixels(int width, int height,
                                               int colours, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<unsigned char> palette(std::size_t(colours) * 3);
  for (unsigned char& sample : palette) sample = (unsigned char)random();
  std::vector<unsigned char> rgb(std::size_t(width) * height * 3);
  for (std::size_t i = 0; i < rgb.size(); i += 3) {
    const std::size_t from = colours ? random() % colours * 3 : 0;
    for (int c = 0; c < 3; ++c)
      rgb[i + c] = colours ? palette[from + c] : (unsigned char)random();
  }
  return rgb;
}

}  // namespace marl_test

#endif  // MARL_TESTS_SUPPORT_MEMORY_ROWS_H_
