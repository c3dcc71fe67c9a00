#include "driver/number_text.h"

#include <limits>

namespace marl {

namespace {

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' ||
         c == '\r';
}

}  // namespace

IntegerText readIntegerText(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && isSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  const std::size_t digitsFrom = i;
  const uint64_t limit = uint64_t(std::numeric_limits<int64_t>::max()) + 1;
  uint64_t magnitude = 0;
  bool saturated = false;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    const uint64_t digit = uint64_t(text[i] - '0');
    if (magnitude <= (limit - digit) / 10) {
      magnitude = magnitude * 10 + digit;
    } else {
      saturated = true;
      magnitude = limit;
    }
  }
  IntegerText read;
  if (negative) {
    read.value = magnitude >= limit ? std::numeric_limits<int64_t>::min()
                                    : -int64_t(magnitude);
  } else {
    saturated |= magnitude >= limit;
    read.value = magnitude >= limit ? std::numeric_limits<int64_t>::max()
                                    : int64_t(magnitude);
  }
  std::size_t rest = i;
  while (rest < text.size() && isSpace(text[rest])) ++rest;
  read.number = i > digitsFrom && rest == text.size();
  read.saturated = saturated;
  return read;
}

int32_t parseInteger(const std::string& text) {
  // Beyond 32 bits the nearest 32-bit limit.
  const int64_t value = readIntegerText(text).value;
  if (value > std::numeric_limits<int32_t>::max())
    return std::numeric_limits<int32_t>::max();
  if (value < std::numeric_limits<int32_t>::min())
    return std::numeric_limits<int32_t>::min();
  return int32_t(value);
}

}  // namespace marl
