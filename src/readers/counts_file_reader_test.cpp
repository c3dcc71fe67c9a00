#include "readers/counts_file_reader.h"

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "image/counts_tiff.h"
#include "support/temp_dir.h"

namespace marl {
namespace {

// A grid of several strips, with counts in all four bytes, the largest
// count among them, and margin cells that the file must not hold.
HitGrid patterned(uint32_t side) {
  HitGrid grid;
  grid.setSize(side);
  for (uint32_t r = 0; r < side; ++r)
    for (uint32_t c = 0; c < side; ++c)
      grid.at(r, c) = (r * 2654435761u) ^ (c * 40503u) ^ ((r + c) % 7 == 0 ? 0 : 0xFFu);
  grid.at(0, 0) = UINT32_MAX;
  grid.at(side - 1, side - 1) = 0;
  grid.at(side, 3) = 99;
  return grid;
}

TEST(CountsFileReaderTest, ReadsBackTheSquareWrittenOnAnyThreadCount) {
  marl_test::TempDir dir;
  const HitGrid grid = patterned(1000);
  ASSERT_GT(1000u, countsStripRows(1000)) << "the test needs several strips";
  for (unsigned threads : {1u, 3u}) {
    const std::string path = dir.file("t" + std::to_string(threads) + "_counts.tif");
    std::ostringstream err;
    ASSERT_TRUE(writeCountsFile(grid, "recipe text", "state text", path, false,
                                threads, err))
        << err.str();
    EXPECT_TRUE(isCountsFile(path));
    CountsFileReader reader;
    std::string why;
    ASSERT_TRUE(reader.open(path, why)) << why;
    EXPECT_EQ(reader.side(), 1000u);
    EXPECT_EQ(reader.recipe(), "recipe text");
    EXPECT_EQ(reader.state(), "state text");
    HitGrid read;
    read.setSize(1000);
    ASSERT_TRUE(reader.readInto(read, why)) << why;
    for (uint32_t r = 0; r < 1000; ++r)
      ASSERT_EQ(std::memcmp(read.row(r), grid.row(r), 4000), 0) << "row " << r;
    EXPECT_EQ(read.at(1000, 3), 0u) << "the margin is not in the file";
    HitGrid wrongSize;
    wrongSize.setSize(999);
    EXPECT_FALSE(reader.readInto(wrongSize, why));
  }
  // Writing over a checkpoint replaces it; a new name never does.
  std::ostringstream err;
  const std::string path = dir.file("t1_counts.tif");
  ASSERT_TRUE(writeCountsFile(grid, "r", "newer", path, true, 1, err));
  std::string written;
  ASSERT_TRUE(writeCountsFile(grid, "r", "newest", path, false, 1, err, &written));
  EXPECT_EQ(written, dir.file("t1_counts-2.tif"));
  CountsFileReader replaced;
  std::string why;
  ASSERT_TRUE(replaced.open(path, why)) << why;
  EXPECT_EQ(replaced.state(), "newer");
}

TEST(CountsFileReaderTest, WhatIsNoCountsFileIsToldWhy) {
  marl_test::TempDir dir;
  std::ofstream(dir.file("text.tif")) << "II*\0 not really";
  const struct {
    std::string path;
    const char* why;
  } cases[] = {
      {dir.file("missing.tif"), "No such file"},
      {dir.path(), "not a regular file"},
      {dir.file("text.tif"), "not a readable TIFF"},
  };
  for (const auto& c : cases) {
    CountsFileReader reader;
    std::string why;
    EXPECT_FALSE(reader.open(c.path, why)) << c.path;
    EXPECT_NE(why.find(c.why), std::string::npos) << why;
    EXPECT_FALSE(isCountsFile(c.path));
  }
}

}  // namespace
}  // namespace marl
