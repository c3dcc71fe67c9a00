#include "base/escaped_text.h"

#include <gtest/gtest.h>

#include <sstream>

namespace marl {
namespace {

TEST(EscapedText, OnlyPrintableCharactersPassRaw) {
  EXPECT_EQ(escapedText("size=300 R0 = 5"), "size=300 R0 = 5");
  EXPECT_EQ(escapedText("\x1b[2J\x7f\t"), "\\x1b[2J\\x7f\\x09");
  EXPECT_EQ(escapedText(std::string("a\0b", 3)), "a\\x00b");
  EXPECT_EQ(escapedText("C:\\x1b"), "C:\\\\x1b");  // no forged escape
  // Well-formed printable UTF-8 stays readable.
  EXPECT_EQ(escapedText("caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8c\x80"),
            "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8c\x80");
  // C1 controls (U+009B is a terminal's one-byte CSI), overlong forms,
  // surrogates, stray or cut continuation bytes and 0xFF do not.
  EXPECT_EQ(escapedText("\xc2\x9b"), "\\xc2\\x9b");
  EXPECT_EQ(escapedText("\xc0\xaf\xe0\x80\xaf"), "\\xc0\\xaf\\xe0\\x80\\xaf");
  EXPECT_EQ(escapedText("\xed\xa0\x80"), "\\xed\\xa0\\x80");
  EXPECT_EQ(escapedText("\x80x\xe2\x82"), "\\x80x\\xe2\\x82");
  EXPECT_EQ(escapedText("\xf4\x90\x80\x80\xff"),
            "\\xf4\\x90\\x80\\x80\\xff");
}

std::string shown(std::string_view text) {
  std::ostringstream out;
  out << EscapedIfNeeded{text};
  return out.str();
}

TEST(EscapedText, NamesPassWholeUnlessSomeByteNeedsEscaping) {
  for (const char* name : {"symmetric_square012345.jpg", "out/run\\1_",
                           "caf\xc3\xa9_", ""})
    EXPECT_EQ(shown(name), name);
  // One unprintable byte and the whole name reads as on standard error.
  for (const char* name :
       {"\x1b]0;pwned\x07_", "a\\b\xff\xfe_", "\xc3(", "x\n"})
    EXPECT_EQ(shown(name), escapedText(name)) << escapedText(name);
}

}  // namespace
}  // namespace marl
