#include "driver/settings_reader.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <limits>

#include "base/escaped_text.h"
#include "driver/given_map_reader.h"
#include "driver/number_text.h"
#include "driver/option_reader.h"

namespace marl {

namespace {

const char* const ChannelKeys[6] = {"R0", "G0", "B0", "R1", "G1", "B1"};
constexpr int64_t Int32Min = std::numeric_limits<int32_t>::min();
constexpr int64_t Int32Max = std::numeric_limits<int32_t>::max();

std::optional<int32_t> narrow(std::optional<int64_t> value) {
  if (!value) return std::nullopt;
  return int32_t(*value);
}

void readQuaziSettings(OptionReader& read, JobSettings& s) {
  const int64_t largest = JobSettings::MaxSide;
  s.qline = narrow(read.integer("qline", 5, 42));
  s.qsize = narrow(read.integer("qsize", Int32Min, largest));
  s.qx = narrow(read.integer("qx", 20, Int32Max));
  s.qy = narrow(read.integer("qy", 20, Int32Max));
  s.qscale = read.real("qscale", 0.05, 3.0);
  s.qsep = read.real("qsep", 0.01, 0.1);
}

// width and height, each the side when not given; given without size, the
// longer of them is the side, so that it shows one period.
void readPictureShape(const ArgumentMap& map, OptionReader& read,
                      JobSettings& s) {
  s.width = read.integer("width", 40, JobSettings::MaxSide);
  s.height = read.integer("height", 40, JobSettings::MaxSide);
  if (!map.has("size") && (s.width || s.height))
    s.side = std::max(s.width.value_or(0), s.height.value_or(0));
  s.shiftX = read.real("shiftx", 0.0, 1.0).value_or(0.0);
  s.shiftY = read.real("shifty", 0.0, 1.0).value_or(0.0);
}

// A recipe replayed at another size shows the same part of the plane: a
// width or height from the recipe grows with the side, unless the command
// line gives it.
void scaleShapeToSide(const ArgumentMap& map, JobSettings& s) {
  const std::string* recipeSide = map.fileValue("size");
  if (!s.map || !recipeSide || map.isFromFile("size")) return;
  const int64_t from = parseInteger(*recipeSide);
  if (from <= 0 || uint32_t(from) == s.side) return;
  for (auto [key, value] : {std::pair{"width", &s.width},
                            std::pair{"height", &s.height}}) {
    if (!*value || !map.isFromFile(key)) continue;
    const int64_t scaled = std::llround(double(**value) * s.side / double(from));
    **value = uint32_t(std::clamp<int64_t>(scaled, 40, JobSettings::MaxSide));
  }
}

// A recipe replayed at another size keeps its hits per pixel: the count of
// steps it was made with grows with the square of the side, unless the
// command line gives the count.
void scaleStepsToSide(const ArgumentMap& map, JobSettings& s) {
  const std::string* recipeSide = map.fileValue("size");
  if (!s.map || !recipeSide || !map.isFromFile("it") || map.isFromFile("size"))
    return;
  const int64_t from = parseInteger(*recipeSide);
  if (from <= 0 || uint32_t(from) == s.side) return;
  const long double ratio = (long double)(s.side) / (long double)(from);
  const long double steps = (long double)(s.iterationMaximum) * ratio * ratio;
  s.iterationMaximum = steps >= 9.2e18L ? std::numeric_limits<int64_t>::max()
                                        : int64_t(std::llround(steps));
}

}  // namespace

std::optional<JobSettings> readJobSettings(const ArgumentMap& map,
                                           std::ostream& err) {
  OptionReader read(map, err);
  JobSettings s;
  for (int c = 0; c < 6; ++c) s.channels[c] = read.channel(ChannelKeys[c]);
  if (const std::string* basename = map.find("basename"))
    s.basename = *basename;
  // The one option beyond 32 bits: an enlargement needs billions of steps.
  s.iterationMaximum =
      read.integer("it", std::numeric_limits<int64_t>::min(),
                   std::numeric_limits<int64_t>::max())
          .value_or(s.iterationMaximum);
  if (const std::string* image = map.find("image")) {
    s.imageWord = *image;
    s.format = &formatForWord(*image);
  }
  s.detail = narrow(read.integer("detail", 2, 12)).value_or(s.detail);
  if (std::optional<int64_t> size =
          read.integer("size", 40, JobSettings::MaxSide))
    s.side = uint32_t(*size);
  readPictureShape(map, read, s);
  if (const std::string* mode = map.find("mode")) {
    if (*mode == "fast") {
      s.mode = JobSettings::Mode::Fast;
    } else if (*mode != "exact") {
      err << "marl: warning: mode=" << Escaped{*mode}
          << " is neither exact nor fast; using exact\n";
    }
  }
  map.getBool("quazi", s.quazi);
  if (s.quazi) readQuaziSettings(read, s);
  std::string why;
  if (!readGivenMap(map, s, why)) {
    const std::string* file = map.find("file");
    err << "marl: error: ";
    if (file) err << "the recipe in '" << Escaped{*file} << "' is unusable: ";
    err << why << "; no picture is made\n";
    return std::nullopt;
  }
  scaleStepsToSide(map, s);
  scaleShapeToSide(map, s);
  return s;
}

}  // namespace marl
