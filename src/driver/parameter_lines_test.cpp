#include "driver/parameter_lines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace marl {
namespace {

struct Collected {
  std::vector<std::string> lines;
  ParameterLines reader;
  Collected(std::size_t maxLine, std::size_t maxTotal)
      : reader([this](const std::string& l) { lines.push_back(l); }, maxLine,
               maxTotal) {}
};

TEST(ParameterLines, PiecesOfAnySizeGiveTheSameLines) {
  const std::string text = "a=1\n\nbb=22\r\nlast";
  for (std::size_t piece = 1; piece <= text.size(); ++piece) {
    Collected c(8, 100);
    for (std::size_t at = 0; at < text.size(); at += piece)
      ASSERT_TRUE(c.reader.feed(text.data() + at,
                                std::min(piece, text.size() - at)));
    ASSERT_TRUE(c.reader.finish());
    EXPECT_EQ(c.lines, (std::vector<std::string>{"a=1", "", "bb=22\r", "last"}))
        << piece;
  }
}

TEST(ParameterLines, BoundsAreExactAndStopTheReading) {
  Collected fits(5, 12);
  EXPECT_TRUE(fits.reader.feed("12345\n12345\n", 12));
  EXPECT_TRUE(fits.reader.finish());
  EXPECT_EQ(fits.lines.size(), 2u);

  // The line too long is found while it grows, across pieces.
  Collected longLine(5, 100);
  EXPECT_TRUE(longLine.reader.feed("ok\n123", 6));
  EXPECT_FALSE(longLine.reader.feed("456\nx=1\n", 8));
  EXPECT_FALSE(longLine.reader.finish());
  EXPECT_EQ(longLine.reader.status(), ParameterLines::Status::LineTooLong);
  EXPECT_EQ(longLine.reader.lineNumber(), 2u);
  EXPECT_EQ(longLine.lines, std::vector<std::string>{"ok"});

  Collected large(5, 12);
  EXPECT_TRUE(large.reader.feed("1\n2\n3\n4\n5\n6\n", 12));
  EXPECT_FALSE(large.reader.feed("7", 1));
  EXPECT_FALSE(large.reader.finish());
  EXPECT_EQ(large.reader.status(), ParameterLines::Status::FileTooLarge);
  EXPECT_EQ(large.lines.size(), 6u);
}

}  // namespace
}  // namespace marl
