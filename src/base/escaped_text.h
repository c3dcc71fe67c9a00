#ifndef MARL_BASE_ESCAPED_TEXT_H_
#define MARL_BASE_ESCAPED_TEXT_H_

#include <ostream>
#include <string>
#include <string_view>

namespace marl {

// User text (option words, parameter-file lines, file names) as it may be
// shown on a terminal: printable ASCII and well-formed UTF-8 characters from
// U+00A0 up stay as they are; a backslash becomes "\\" and every other byte
// (control bytes, escape sequences, broken UTF-8) becomes "\xHH". Nothing a
// file holds can then move the cursor or recolour the terminal.
struct Escaped {
  std::string_view text;
};

// Writes the escaped text without building a copy, so that a report made
// while memory is short does not need any.
std::ostream& operator<<(std::ostream& out, Escaped escaped);

// Names on standard output: as they are when every byte is printable (a
// backslash included), so that the console reads as it always has;
// otherwise escaped whole, exactly as Escaped writes them.
struct EscapedIfNeeded {
  std::string_view text;
};

std::ostream& operator<<(std::ostream& out, EscapedIfNeeded text);

std::string escapedText(std::string_view text);

}  // namespace marl

#endif  // MARL_BASE_ESCAPED_TEXT_H_
