#include "driver/given_map_reader.h"

#include "base/escaped_text.h"
#include "options/option_keys.h"

namespace marl {

namespace {

// The keys of a map, in the table's order, which is the order their absence
// is named in.
const std::vector<const char*>& mapKeys() {
  static const std::vector<const char*> keys = [] {
    std::vector<const char*> found;
    for (const OptionSpec& spec : optionTable())
      if (spec.map) found.push_back(spec.key);
    return found;
  }();
  return keys;
}

}  // namespace

bool readCoefficientList(const std::string& text, int32_t detail,
                         const char* key, std::vector<double>& out,
                         std::string& why) {
  const std::size_t count = std::size_t(detail) * std::size_t(detail);
  why = strictList(option(key), text, count, out);
  return why.empty();
}

bool readGivenMap(OptionReader& read, JobSettings& s) {
  bool any = false;
  for (const char* key : mapKeys()) any |= read.text(key) != nullptr;
  // Looked at only with the tiling; without it they are checked with the
  // rest of the recipe.
  const std::string* spacings = read.map().find(key::Spacings);
  if (!any) {
    if (spacings) read.reject("spacings are given without a map");
    return !spacings;
  }
  for (const char* key : mapKeys()) {
    if (!read.text(key)) {
      read.reject(std::string("the map is incomplete: ") + key +
                  " is missing");
      return false;
    }
  }
  GivenMap given;
  // The whole text one number within the option's limits.
  const auto whole = [&](const char* key, int32_t& out) {
    int64_t n = 0;
    const std::string why = strictWhole(option(key), *read.text(key), n);
    out = int32_t(n);
    if (!why.empty()) read.reject(std::string(key) + "=" +
                                  escapedText(*read.text(key)) + " " + why);
    return why.empty();
  };
  const auto real = [&](const char* key, double& out) {
    const std::string why = strictReal(option(key), *read.text(key), out);
    if (!why.empty()) read.reject(std::string(key) + "=" +
                                  escapedText(*read.text(key)) + " " + why);
    return why.empty();
  };
  if (!whole(key::Linear, given.linearCoefficient) ||
      !real(key::Offset, given.offset) || !real(key::StartX, given.startX) ||
      !real(key::StartY, given.startY) ||
      !whole(key::Number, given.imageNumber) ||
      !whole(key::Attempt, given.attempt))
    return false;
  std::string why;
  if (!readCoefficientList(*read.text(key::Coefficients), s.detail,
                           key::Coefficients, given.coefficients, why)) {
    const std::size_t count = std::size_t(s.detail) * std::size_t(s.detail);
    read.reject(why + " (detail " + std::to_string(s.detail) + " needs " +
                std::to_string(count) + ")");
    return false;
  }
  s.map = given;
  if (s.quazi && spacings) {
    const std::size_t families = s.qline ? std::size_t(*s.qline) : 0;
    if (families == 0) {
      read.reject("spacings are given without qline");
      return false;
    }
    std::vector<double> units;
    why = strictList(option(key::Spacings), *read.text(key::Spacings),
                     families, units);
    if (!why.empty()) {
      read.reject(why);
      return false;
    }
    s.spacingUnits = units;
  }
  return true;
}

}  // namespace marl
