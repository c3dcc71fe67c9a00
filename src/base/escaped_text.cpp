#include "base/escaped_text.h"

#include <sstream>

namespace marl {

namespace {

// Length of the well-formed UTF-8 sequence of a printable character (U+00A0
// or above) starting at `s`, or 0 when there is none.
std::size_t printableSequence(std::string_view s) {
  const auto byte = [&](std::size_t i) { return (unsigned char)s[i]; };
  const unsigned char lead = byte(0);
  std::size_t length;
  unsigned long code;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, code = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, code = lead & 0x07;
  } else {
    return 0;
  }
  if (s.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    code = code << 6 | (byte(i) & 0x3F);
  }
  const unsigned long smallest[] = {0, 0, 0xA0, 0x800, 0x10000};
  const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
  if (code < smallest[length] || surrogate || code > 0x10FFFF) return 0;
  return length;
}

// Bytes at the start of `s` that may pass raw (a backslash among them):
// one printable ASCII character or one printable UTF-8 sequence; 0 for a
// byte that must be escaped.
std::size_t printableLength(std::string_view s) {
  const unsigned char c = (unsigned char)s[0];
  if (c >= 0x20 && c < 0x7F) return 1;
  return printableSequence(s);
}

bool holdsUnprintable(std::string_view s) {
  while (!s.empty()) {
    const std::size_t n = printableLength(s);
    if (n == 0) return true;
    s.remove_prefix(n);
  }
  return false;
}

}  // namespace

std::ostream& operator<<(std::ostream& out, Escaped escaped) {
  static const char Hex[] = "0123456789abcdef";
  std::string_view s = escaped.text;
  while (!s.empty()) {
    const unsigned char c = (unsigned char)s[0];
    if (c == '\\') {
      out << "\\\\";
    } else if (const std::size_t n = printableLength(s)) {
      out.write(s.data(), std::streamsize(n));
      s.remove_prefix(n);
      continue;
    } else {
      const char code[] = {'\\', 'x', Hex[c >> 4], Hex[c & 15]};
      out.write(code, sizeof code);
    }
    s.remove_prefix(1);
  }
  return out;
}

std::ostream& operator<<(std::ostream& out, EscapedIfNeeded text) {
  if (holdsUnprintable(text.text)) return out << Escaped{text.text};
  return out.write(text.text.data(), std::streamsize(text.text.size()));
}

std::string escapedText(std::string_view text) {
  std::ostringstream out;
  out << Escaped{text};
  return out.str();
}

}  // namespace marl
