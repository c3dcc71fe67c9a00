#include <turbojpeg.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <string>
#include <vector>

#include "image/image_encoders.h"
#include "support/jpeg_comment.h"

namespace marl {
namespace {

// Pseudo-random RGB rows with smooth stretches, so that both the DCT's
// rounding and its flat blocks are exercised.
class PixelRows : public RowSource {
 public:
  PixelRows(int width, int height) {
    shape_.width = width;
    shape_.height = height;
    pixels_.resize(shape_.rowBytes() * std::size_t(height));
    uint32_t state = 12345u + uint32_t(width) * 31u + uint32_t(height);
    for (std::size_t i = 0; i < pixels_.size(); ++i) {
      state = state * 1664525u + 1013904223u;
      pixels_[i] = (i / 97) % 3 ? static_cast<unsigned char>(state >> 24)
                                : static_cast<unsigned char>(i % 251);
    }
  }
  const PictureShape& shape() const override { return shape_; }
  void readRows(int first, int count, unsigned char* out) override {
    const std::size_t row = shape_.rowBytes();
    std::copy(pixels_.begin() + std::ptrdiff_t(row * std::size_t(first)),
              pixels_.begin() + std::ptrdiff_t(row * std::size_t(first + count)),
              out);
  }
  const std::vector<unsigned char>& pixels() const { return pixels_; }

 private:
  PictureShape shape_;
  std::vector<unsigned char> pixels_;
};

// What pictures were before the encoder streamed: TurboJPEG's one-call
// compression at 4:4:4, with the text put in after the JFIF header.
std::vector<unsigned char> oneCallJpeg(const PixelRows& rows, int quality,
                                       const std::string& text) {
  tjhandle handle = tjInitCompress();
  unsigned char* encoded = nullptr;
  unsigned long size = 0;
  const int status =
      tjCompress2(handle, rows.pixels().data(), rows.shape().width, 0,
                  rows.shape().height, TJPF_RGB, &encoded, &size, TJSAMP_444,
                  quality, 0);
  std::vector<unsigned char> jpeg;
  if (status == 0) jpeg.assign(encoded, encoded + size);
  tjFree(encoded);
  tjDestroy(handle);
  std::string error;
  EXPECT_TRUE(insertJpegComment(jpeg, text, error)) << error;
  return jpeg;
}

TEST(JpegEncoderTest, WritesWhatOneCallCompressionWrites) {
  const std::string longText(2 * MaxJpegCommentSegment + 11, 'r');
  struct Case {
    int width, height, quality;
    std::string text;
  } const cases[] = {
      {1, 1, 0, ""},          {7, 5, 0, "marl 1\ncheck=1\n"},
      {64, 64, 95, "x"},      {65, 129, 50, ""},
      {130, 70, 96, "recipe"}, {33, 200, 100, longText},
      {300, 17, 75, "t"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) +
                 " quality " + std::to_string(c.quality));
    PixelRows rows(c.width, c.height);
    EncodeOptions options;
    options.quality = c.quality;
    options.text = c.text;
    MemorySink sink;
    std::string error;
    ASSERT_TRUE(encodeJpeg(rows, options, sink, error)) << error;
    EXPECT_EQ(sink.bytes, oneCallJpeg(rows, c.quality ? c.quality : 95, c.text));
  }
}

// A sink that takes `room` bytes, then fails as a full disk does.
class FullSink : public ByteSink {
 public:
  explicit FullSink(std::uint64_t room) : room_(room) {}
  bool writeAt(std::uint64_t offset, const unsigned char*,
               std::size_t size) override {
    if (offset + size > room_) {
      errno = ENOSPC;
      return false;
    }
    size_ = std::max<std::uint64_t>(size_, offset + size);
    return true;
  }
  std::uint64_t size() const override { return size_; }

 private:
  std::uint64_t room_;
  std::uint64_t size_ = 0;
};

TEST(JpegEncoderTest, AFailedWriteIsAnErrorAndLeavesTheSinkAsFarAsItGot) {
  // Big enough that libjpeg flushes its buffer mid-picture and at the end.
  PixelRows rows(700, 300);
  for (std::uint64_t room : {std::uint64_t(0), std::uint64_t(64 * 1024 + 1)}) {
    FullSink sink(room);
    std::string error;
    EXPECT_FALSE(encodeJpeg(rows, EncodeOptions(), sink, error));
    EXPECT_EQ(error, "cannot write the JPEG");
    EXPECT_EQ(errno, ENOSPC);
    EXPECT_LE(sink.size(), room);
  }
}

}  // namespace
}  // namespace marl
