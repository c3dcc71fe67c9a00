#include "driver/number_text.h"

#include <cstdlib>
#include <limits>

namespace marl {

namespace {

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' ||
         c == '\r';
}

}  // namespace

int32_t parseInteger(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && isSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // Accumulate the magnitude in 64 bits and stop growing once it is past
  // every 32-bit value: later digits cannot bring it back into range.
  const int64_t limit = int64_t(std::numeric_limits<int32_t>::max()) + 1;
  int64_t magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (magnitude <= limit) magnitude = magnitude * 10 + (text[i] - '0');
  }
  if (negative) {
    return magnitude >= limit ? std::numeric_limits<int32_t>::min()
                              : int32_t(-magnitude);
  }
  return magnitude >= limit ? std::numeric_limits<int32_t>::max()
                            : int32_t(magnitude);
}

double parseReal(const std::string& text) {
  return std::strtod(text.c_str(), nullptr);
}

}  // namespace marl
