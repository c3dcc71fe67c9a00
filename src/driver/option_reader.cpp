#include "driver/option_reader.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <sstream>
#include <string>

#include "base/escaped_text.h"
#include "driver/number_text.h"

namespace marl {

namespace {

bool onlySpaceFrom(const std::string& text, std::size_t i) {
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c != ' ' && c != '\t' && c != '\n' && c != '\v' && c != '\f' &&
        c != '\r')
      return false;
  }
  return true;
}

template <typename T>
std::string show(T value) {
  std::ostringstream text;
  text << value;
  return text.str();
}

}  // namespace

void OptionReader::warn(const char* key, const std::string& text,
                        const char* why, const std::string& used) {
  if (map_.isFromPicture(key)) {
    refuse(key, text, why);
    return;
  }
  err_ << "marl: warning: " << key << "=" << Escaped{text} << " " << why
       << "; using "
       << used << "\n";
}

void OptionReader::refuse(const char* key, const std::string& text,
                          const std::string& why) {
  failed_ = true;
  const std::string* file = map_.find("file");
  err_ << "marl: error: the recipe in '" << Escaped{file ? *file : ""}
       << "' is unusable: " << key << "=" << Escaped{text} << " " << why
       << "; no picture is made\n";
}

std::optional<int64_t> OptionReader::integer(const char* key, int64_t lo,
                                             int64_t hi) {
  const std::string* text = map_.find(key);
  if (!text) return std::nullopt;
  const IntegerText read = readIntegerText(*text);
  // A 32-bit option saturates at its own bounds, as it always has.
  const bool is32 = lo >= std::numeric_limits<int32_t>::min() &&
                    hi <= std::numeric_limits<int32_t>::max();
  int64_t value = read.value;
  if (is32) {
    value = std::max<int64_t>(value, std::numeric_limits<int32_t>::min());
    value = std::min<int64_t>(value, std::numeric_limits<int32_t>::max());
  }
  const int64_t used = std::min(std::max(value, lo), hi);
  if (!read.number) {
    warn(key, *text, "is not a whole number", show(used));
  } else if (value < lo) {
    warn(key, *text, ("is below " + show(lo)).c_str(), show(used));
  } else if (value > hi) {
    warn(key, *text, ("is above " + show(hi)).c_str(), show(used));
  } else if (value != read.value || read.saturated) {
    warn(key, *text, "is out of range", show(used));
  }
  return used;
}

std::optional<double> OptionReader::real(const char* key, double lo,
                                         double hi) {
  const std::string* text = map_.find(key);
  if (!text) return std::nullopt;
  char* end = nullptr;
  double value = std::strtod(text->c_str(), &end);
  const bool parsed = end != text->c_str() &&
                      onlySpaceFrom(*text, std::size_t(end - text->c_str()));
  const bool finite = std::isfinite(value);
  if (!finite) value = 0.0;
  double used = value;
  if (used < lo) used = lo;
  if (used > hi) used = hi;
  if (!parsed) {
    warn(key, *text, "is not a number", show(used));
  } else if (!finite) {
    warn(key, *text, "is not a finite number", show(used));
  } else if (value < lo) {
    warn(key, *text, ("is below " + show(lo)).c_str(), show(used));
  } else if (value > hi) {
    warn(key, *text, ("is above " + show(hi)).c_str(), show(used));
  }
  return used;
}

std::optional<uint32_t> OptionReader::channel(const char* key) {
  const std::string* text = map_.find(key);
  if (!text) return std::nullopt;
  const IntegerText read = readIntegerText(*text);
  const int64_t n = std::min<int64_t>(
      std::max<int64_t>(read.value, std::numeric_limits<int32_t>::min()),
      std::numeric_limits<int32_t>::max());
  const uint32_t used = n > 255 ? 255u : uint32_t(n) & 0xFFu;
  if (!read.number) {
    warn(key, *text, "is not a whole number", show(used));
  } else if (n != read.value || n != int64_t(used)) {
    warn(key, *text, "is not in 0..255", show(used));
  }
  return used;
}

}  // namespace marl
