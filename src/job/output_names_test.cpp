#include "job/output_names.h"

#include <string>

#include <gtest/gtest.h>

namespace marl {
namespace {

TEST(OutputNamesTest, NumberTakesSixDigits) {
  OutputNames zero = makeOutputNames("symmetric_square", 0, "jpg");
  EXPECT_EQ(zero.fileName, "symmetric_square000000.jpg");
  EXPECT_EQ(zero.quaziFileName, "symmetric_square_quazi000000.jpg");
  EXPECT_EQ(zero.countsFileName, "symmetric_square000000_counts.tif");

  OutputNames largest = makeOutputNames("a", 30000, "gif");
  EXPECT_EQ(largest.fileName, "a030000.gif");
  EXPECT_EQ(largest.quaziFileName, "a_quazi030000.gif");

  OutputNames empty = makeOutputNames("", 12345, "bmp");
  EXPECT_EQ(empty.fileName, "012345.bmp");
  EXPECT_EQ(empty.quaziFileName, "_quazi012345.bmp");
}

TEST(OutputNamesTest, LongBaseNameIsKeptWhole) {
  const std::string basename = "dir/" + std::string(296, 'b');
  OutputNames names = makeOutputNames(basename, 42, "tif");
  EXPECT_EQ(names.fileName, basename + "000042.tif");
  EXPECT_EQ(names.quaziFileName, basename + "_quazi000042.tif");
  EXPECT_EQ(names.fileName.size(), 310u);
}

TEST(OutputNamesTest, FrameIndexFollowsTheNumber) {
  OutputNames first = makeFrameNames("a", 42, "jpg", 0, 4);
  EXPECT_EQ(first.fileName, "a000042_f0000.jpg");
  EXPECT_EQ(first.quaziFileName, "a_quazi000042_f0000.jpg");
  EXPECT_EQ(makeFrameNames("a", 42, "jpg", 12345, 5).fileName,
            "a000042_f12345.jpg");
}

}  // namespace
}  // namespace marl
