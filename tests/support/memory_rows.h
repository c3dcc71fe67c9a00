#ifndef MARL_TESTS_SUPPORT_MEMORY_ROWS_H_
#define MARL_TESTS_SUPPORT_MEMORY_ROWS_H_

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "base/picture_rows.h"

namespace marl_test {

// 8-bit RGB pixels held in memory, given out as a rereadable source or as a
// one-pass one, which fails the test when a row is asked for twice or out
// of order.
class MemoryRows : public marl::RowSource {
 public:
  MemoryRows(int width, int height, std::vector<unsigned char> rgb,
             bool rereadable)
      : rgb_(std::move(rgb)), rereadable_(rereadable) {
    shape_.width = width;
    shape_.height = height;
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
