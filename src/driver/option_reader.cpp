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

const std::string* OptionReader::text(const char* key) {
  read_.insert(key);
  return map_.find(key);
}

void OptionReader::report(const char* key, const std::string& text,
                          const Problem& p) {
  const bool refused =
      map_.isFromPicture(key) &&
      (!p.alsoFromPicture || map_.isFromPicture(p.alsoFromPicture));
  if (refused) {
    refuse(key, text, p.why);
    return;
  }
  err_ << "marl: warning: " << key << "=" << Escaped{text} << " "
       << (p.warningWhy.empty() ? p.why : p.warningWhy) << "; "
       << p.consequence << "\n";
}

void OptionReader::refuseFromPicture(const char* key, const std::string& text,
                                     const std::string& why) {
  if (map_.isFromPicture(key)) refuse(key, text, why);
}

void OptionReader::refuse(const char* key, const std::string& text,
                          const std::string& why) {
  reject(std::string(key) + "=" + escapedText(text) + " " + why);
}

void OptionReader::reject(const std::string& why) {
  failed_ = true;
  const std::string* file = map_.find(key::File);
  err_ << "marl: error: ";
  if (file) err_ << "the recipe in '" << Escaped{*file} << "' is unusable: ";
  err_ << why << "; no picture is made\n";
}

std::optional<int64_t> OptionReader::integer(const char* key) {
  const OptionSpec& spec = option(key);
  return integer(key, spec.lo, spec.hi);
}

std::optional<int64_t> OptionReader::integer(const char* key, int64_t lo,
                                             int64_t hi) {
  const std::string* given = text(key);
  if (!given) return std::nullopt;
  const IntegerText read = readIntegerText(*given);
  // A 32-bit option saturates at its own bounds, as it always has.
  const bool is32 = lo >= std::numeric_limits<int32_t>::min() &&
                    hi <= std::numeric_limits<int32_t>::max();
  int64_t value = read.value;
  if (is32) {
    value = std::max<int64_t>(value, std::numeric_limits<int32_t>::min());
    value = std::min<int64_t>(value, std::numeric_limits<int32_t>::max());
  }
  const int64_t used = std::min(std::max(value, lo), hi);
  const std::string using_ = "using " + show(used);
  if (!read.number) {
    report(key, *given, {"is not a whole number", using_});
  } else if (value < lo) {
    report(key, *given, {"is below " + show(lo), using_});
  } else if (value > hi) {
    report(key, *given, {"is above " + show(hi), using_});
  } else if (value != read.value || read.saturated) {
    report(key, *given, {"is out of range", using_});
  }
  return used;
}

std::optional<double> OptionReader::real(const char* key) {
  const OptionSpec& spec = option(key);
  const std::string* given = text(key);
  if (!given) return std::nullopt;
  char* end = nullptr;
  double value = std::strtod(given->c_str(), &end);
  const bool parsed = end != given->c_str() &&
                      onlySpaceFrom(*given, std::size_t(end - given->c_str()));
  const bool finite = std::isfinite(value);
  if (!finite) value = 0.0;
  const double used = std::min(std::max(value, spec.low), spec.high);
  const std::string using_ = "using " + show(used);
  if (!parsed) {
    report(key, *given, {"is not a number", using_});
  } else if (!finite) {
    report(key, *given, {"is not a finite number", using_});
  } else if (value < spec.low) {
    report(key, *given, {"is below " + show(spec.low), using_});
  } else if (value > spec.high) {
    report(key, *given, {"is above " + show(spec.high), using_});
  }
  return used;
}

std::optional<uint32_t> OptionReader::channel(const char* key) {
  const std::string* given = text(key);
  if (!given) return std::nullopt;
  const IntegerText read = readIntegerText(*given);
  const int64_t n = std::min<int64_t>(
      std::max<int64_t>(read.value, std::numeric_limits<int32_t>::min()),
      std::numeric_limits<int32_t>::max());
  const uint32_t used = n > 255 ? 255u : uint32_t(n) & 0xFFu;
  const std::string using_ = "using " + show(used);
  if (!read.number) {
    report(key, *given, {"is not a whole number", using_});
  } else if (n != read.value || n != int64_t(used)) {
    report(key, *given, {"is not in 0..255", using_});
  }
  return used;
}

std::optional<bool> OptionReader::onOff(const char* key) {
  const std::string* given = text(key);
  if (!given) return std::nullopt;
  if (*given != "true" && *given != "false")
    refuseFromPicture(key, *given, "is neither true nor false");
  return given->find("true") != std::string::npos ||
         given->find("TRUE") != std::string::npos;
}

std::string strictWhole(const OptionSpec& spec, const std::string& text,
                        int64_t& out) {
  char* end = nullptr;
  errno = 0;
  const long long n = text.empty() ? 0 : std::strtoll(text.c_str(), &end, 10);
  out = n;
  if (!text.empty() && errno == 0 && end == text.c_str() + text.size() &&
      n >= spec.lo && n <= spec.hi)
    return std::string();
  if (spec.hi >= std::numeric_limits<int32_t>::max())
    return "is not a whole number of at least " + show(spec.lo);
  if (spec.lo <= std::numeric_limits<int32_t>::min())
    return "is not a whole number of at most " + show(spec.hi);
  return "is not a whole number from " + show(spec.lo) + " to " +
         show(spec.hi);
}

std::string strictReal(const OptionSpec& spec, const std::string& text,
                       double& out) {
  char* end = nullptr;
  out = text.empty() ? 0.0 : std::strtod(text.c_str(), &end);
  if (!text.empty() && end == text.c_str() + text.size() &&
      std::isfinite(out) && out >= spec.low && out <= spec.high &&
      !(spec.highOpen && out == spec.high))
    return std::string();
  return "is not a number from " + show(spec.low) +
         (spec.highOpen ? " up to " : " to ") + show(spec.high);
}

std::string strictList(const OptionSpec& spec, const std::string& text,
                       std::size_t count, std::vector<double>& out) {
  out.clear();
  std::size_t at = 0;
  while (at <= text.size()) {
    std::size_t comma = text.find(',', at);
    if (comma == std::string::npos) comma = text.size();
    double value = 0.0;
    const std::string why = strictReal(spec, text.substr(at, comma - at), value);
    if (!why.empty()) {
      return std::string(spec.key) + " value " +
             std::to_string(out.size() + 1) + " " + why;
    }
    out.push_back(value);
    at = comma + 1;
  }
  if (count != 0 && out.size() != count) {
    return std::string(spec.key) + " holds " + std::to_string(out.size()) +
           " values where " + std::to_string(count) + " belong";
  }
  return std::string();
}

void OptionReader::checkUnread() {
  for (const OptionSpec& spec : optionTable()) {
    const std::string* given = map_.find(spec.key);
    if (!given || read_.count(spec.key) || !map_.isFromPicture(spec.key))
      continue;
    std::string why;
    std::vector<double> values;
    switch (spec.kind) {
      case OptionKind::Whole: {
        int64_t n = 0;
        why = strictWhole(spec, *given, n);
        break;
      }
      case OptionKind::Real: {
        double x = 0.0;
        why = strictReal(spec, *given, x);
        break;
      }
      case OptionKind::OnOff:
        if (*given != "true" && *given != "false")
          why = "is neither true nor false";
        break;
      case OptionKind::RealList:
        if (const std::string list = strictList(spec, *given, 0, values);
            !list.empty())
          reject(list);
        break;
      case OptionKind::Blocks: {
        std::size_t at = 0;
        while (why.empty() && at <= given->size()) {
          std::size_t end = given->find(';', at);
          if (end == std::string::npos) end = given->size();
          const std::string list =
              strictList(spec, given->substr(at, end - at), 0, values);
          if (!list.empty()) {
            reject(list);
            break;
          }
          at = end + 1;
        }
        break;
      }
      default:
        break;  // read wherever the recipe is, or checked with it
    }
    if (!why.empty()) refuse(spec.key, *given, why);
  }
}

}  // namespace marl
