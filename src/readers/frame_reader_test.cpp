#include "readers/frame_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "image/image_file.h"
#include "support/memory_rows.h"
#include "support/temp_dir.h"

namespace marl {
namespace {

using marl_test::Pixels;

// A frame written as the job writes it, read back: the rows it was written
// from, as RGBA (opaque where the file has no alpha), each time.
TEST(FrameReaderTest, AFrameComesBackAsTheRowsItWasWrittenFrom) {
  marl_test::TempDir dir;
  Pixels opaque = marl_test::blankPixels(5, 3);
  Pixels clear = marl_test::blankPixels(5, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) {
      opaque.at(x, y) = 0xFF000000u | uint32_t(x * 50) << 16 |
                        uint32_t(y * 90) << 8 | uint32_t(x + y);
      // Unvisited cells as the grid gives them: black and transparent.
      clear.at(x, y) = (x + y) % 2 ? 0u : opaque.at(x, y);
    }
  for (const Pixels* frame : {&opaque, &clear}) {
    const std::string name = dir.file(frame == &opaque ? "o.png" : "c.png");
    marl_test::MemoryRows rows = marl_test::rowsOf(*frame);
    std::ostringstream err;
    ASSERT_TRUE(writeImageFile(rows, *findFormat("png"), name, err, {}))
        << err.str();
    std::string error;
    const std::unique_ptr<RowSource> back = readPngFrame(name, 5, 3, error);
    ASSERT_NE(back, nullptr) << error;
    EXPECT_TRUE(back->shape().alpha);
    EXPECT_TRUE(back->rereadable());
    EXPECT_TRUE(marl_test::readPixels(*back).argb == frame->argb) << name;
    EXPECT_TRUE(marl_test::readPixels(*back).argb == frame->argb) << name;
  }
}

TEST(FrameReaderTest, WhatIsNotThisAnimationsFrameSaysWhy) {
  marl_test::TempDir dir;
  std::ostringstream err;
  marl_test::MemoryRows small = marl_test::rowsOf(marl_test::blankPixels(4, 4));
  ASSERT_TRUE(writeImageFile(small, *findFormat("png"), dir.file("s.png"), err,
                             {}));
  marl_test::MemoryRows jpeg(4, 4, std::vector<unsigned char>(4 * 4 * 3),
                             true);
  ASSERT_TRUE(writeImageFile(jpeg, *findFormat("jpeg"), dir.file("j.jpg"),
                             err, {}));
  // 16 bits a sample.
  struct Deep : RowSource {
    const PictureShape& shape() const override { return shape_; }
    void readRows(int, int count, unsigned char* out) override {
      std::fill_n(out, shape_.rowBytes() * std::size_t(count), 0);
    }
    PictureShape shape_{4, 4, 16, false};
  } deepRows;
  ASSERT_TRUE(writeImageFile(deepRows, *findFormat("png"), dir.file("d.png"),
                             err, {}))
      << err.str();
  const struct {
    std::string name;
    int width, height;
    std::string error;
  } cases[] = {
      {"s.png", 5, 4, "it is 4 x 4, not the animation's 5 x 4"},
      {"d.png", 4, 4, "a 16-bit frame is not what its video holds"},
      {"absent.png", 4, 4, "cannot open it"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_EQ(readPngFrame(dir.file(c.name), c.width, c.height, error),
              nullptr);
    EXPECT_EQ(error, c.error) << c.name;
  }
  std::string error;
  EXPECT_EQ(readPngFrame(dir.file("j.jpg"), 4, 4, error), nullptr);
  EXPECT_EQ(error.rfind("not a PNG frame of this animation: ", 0), 0u) << error;
  EXPECT_NE(error.find("; only PNG frames are read back"), std::string::npos);
}

}  // namespace
}  // namespace marl
