#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "image/image_encoders.h"

namespace marl {
namespace {

// Flat grey rows of any shape, made as they are asked for.
class GreyRows : public RowSource {
 public:
  GreyRows(int width, int height) {
    shape_.width = width;
    shape_.height = height;
  }
  const PictureShape& shape() const override { return shape_; }
  void readRows(int, int count, unsigned char* out) override {
    std::memset(out, 128, shape_.rowBytes() * std::size_t(count));
  }

 private:
  PictureShape shape_;
};

// Keeps the first bytes written, then fails as a full disk does, so that a
// huge picture's encoding stops at its first strip.
class HeadSink : public ByteSink {
 public:
  bool writeAt(std::uint64_t offset, const unsigned char* bytes,
               std::size_t size) override {
    if (offset + size > 64) {
      errno = ENOSPC;
      return false;
    }
    if (head.size() < offset + size) head.resize(offset + size);
    std::memcpy(head.data() + offset, bytes, size);
    return true;
  }
  std::uint64_t size() const override { return head.size(); }

  std::vector<unsigned char> head;
};

TEST(TiffEncoderTest, APictureThatMayPass4GiBIsABigTiff) {
  // 37837 x 37837 RGB is 4,294,851,417 bytes of samples: past the limit
  // once Deflate's worst case is allowed for; 37000 a side is well within.
  const struct {
    int side;
    unsigned char version;  // 42 classic, 43 BigTIFF
  } cases[] = {{37000, 42}, {37837, 43}, {65535, 43}};
  for (const auto& c : cases) {
    GreyRows rows(c.side, c.side);
    HeadSink sink;
    std::string error;
    EXPECT_FALSE(encodeTiff(rows, EncodeOptions(), sink, error));
    ASSERT_GE(sink.head.size(), 4u) << c.side;
    // Little- or big-endian, the version follows the byte-order mark.
    const unsigned char version =
        sink.head[0] == 'I' ? sink.head[2] : sink.head[3];
    EXPECT_EQ(version, c.version) << c.side;
  }
}

}  // namespace
}  // namespace marl
