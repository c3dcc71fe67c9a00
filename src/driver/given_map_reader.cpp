#include "driver/given_map_reader.h"

#include <cmath>
#include <cstdlib>
#include <sstream>

#include "base/escaped_text.h"

namespace marl {

namespace {

const char* const MapKeys[] = {"linear", "offset",       "startx", "starty",
                                "coefficients", "number", "attempt"};

// A real in lo..hi written as the whole text; false otherwise.
bool readReal(const std::string& text, double lo, double hi, double& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  out = std::strtod(text.c_str(), &end);
  return end == text.c_str() + text.size() && std::isfinite(out) &&
         out >= lo && out <= hi;
}

bool readWhole(const std::string& text, long lo, long hi, int32_t& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  const long n = std::strtol(text.c_str(), &end, 10);
  out = int32_t(n);
  return end == text.c_str() + text.size() && n >= lo && n <= hi;
}

std::string show(double value) {
  std::ostringstream text;
  text << value;
  return text.str();
}

// `count` comma-separated reals in lo..hi (hi excluded when `open`).
bool readList(const std::string& text, std::size_t count, double lo,
              double hi, bool open, std::vector<double>& out,
              std::string& why, const char* key) {
  out.clear();
  std::size_t at = 0;
  while (at <= text.size()) {
    std::size_t comma = text.find(',', at);
    if (comma == std::string::npos) comma = text.size();
    double value = 0.0;
    if (!readReal(text.substr(at, comma - at), lo, hi, value) ||
        (open && value == hi)) {
      why = std::string(key) + " value " + std::to_string(out.size() + 1) +
            " is not a number from " + show(lo) + (open ? " up to " : " to ") +
            show(hi);
      return false;
    }
    out.push_back(value);
    at = comma + 1;
  }
  if (out.size() != count) {
    why = std::string(key) + " holds " + std::to_string(out.size()) +
          " values where " + std::to_string(count) + " belong";
    return false;
  }
  return true;
}

}  // namespace

bool readCoefficientList(const std::string& text, int32_t detail,
                         const char* key, std::vector<double>& out,
                         std::string& why) {
  const std::size_t count = std::size_t(detail) * std::size_t(detail);
  return readList(text, count, -1.0, 1.0, false, out, why, key);
}

bool readGivenMap(const ArgumentMap& map, JobSettings& s, std::string& why) {
  bool any = false;
  for (const char* key : MapKeys) any |= map.has(key);
  if (!any) {
    if (map.has("spacings")) why = "spacings are given without a map";
    return !map.has("spacings");
  }
  for (const char* key : MapKeys) {
    if (!map.has(key)) {
      why = std::string("the map is incomplete: ") + key + " is missing";
      return false;
    }
  }
  GivenMap given;
  const auto bad = [&](const char* key, const char* what) {
    why = std::string(key) + "=" + escapedText(*map.find(key)) + " is not " + what;
    return false;
  };
  if (!readWhole(*map.find("linear"), -3, 3, given.linearCoefficient))
    return bad("linear", "a whole number from -3 to 3");
  if (!readReal(*map.find("offset"), 0.0, 0.5, given.offset))
    return bad("offset", "a number from 0 to 0.5");
  if (!readReal(*map.find("startx"), 0.0, 1.0, given.startX))
    return bad("startx", "a number from 0 to 1");
  if (!readReal(*map.find("starty"), 0.0, 1.0, given.startY))
    return bad("starty", "a number from 0 to 1");
  if (!readWhole(*map.find("number"), 0, 999999, given.imageNumber))
    return bad("number", "a whole number from 0 to 999999");
  if (!readWhole(*map.find("attempt"), 1, 2147483647, given.attempt))
    return bad("attempt", "a whole number of at least 1");
  const std::size_t count = std::size_t(s.detail) * std::size_t(s.detail);
  if (!readList(*map.find("coefficients"), count, -1.0, 1.0, false,
                given.coefficients, why, "coefficients")) {
    why += " (detail " + std::to_string(s.detail) + " needs " +
           std::to_string(count) + ")";
    return false;
  }
  s.map = given;
  if (s.quazi && map.has("spacings")) {
    std::vector<double> units;
    const std::size_t families = s.qline ? std::size_t(*s.qline) : 0;
    if (families == 0) {
      why = "spacings are given without qline";
      return false;
    }
    if (!readList(*map.find("spacings"), families, 0.0, 1.0, true, units,
                  why, "spacings"))
      return false;
    s.spacingUnits = units;
  }
  return true;
}

}  // namespace marl
