#include "driver/settings_reader.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <limits>

#include "base/escaped_text.h"
#include "driver/colour_settings_reader.h"
#include "driver/given_map_reader.h"
#include "driver/image_options.h"
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

// A recipe holds the position its tiling was made with: a drawn one, which
// may lie beyond qsize, or a given one lowered to qsize, which may lie below
// 20. It is kept as it is, so that the replay makes the same tiling.
std::optional<int32_t> readPosition(OptionReader& read, const ArgumentMap& map,
                                    const char* key, bool& kept) {
  kept = map.isFromPicture(key);
  if (!kept) return narrow(read.integer(key, 20, Int32Max));
  const std::string* qsize = map.fileValue("qsize");
  const int64_t lowest =
      qsize ? std::min<int64_t>(20, parseInteger(*qsize)) : 20;
  return narrow(read.integer(key, lowest, JobSettings::MaxSide));
}

void readQuaziSettings(OptionReader& read, const ArgumentMap& map,
                       JobSettings& s) {
  const int64_t largest = JobSettings::MaxSide;
  s.qline = narrow(read.integer("qline", 5, 42));
  s.qsize = narrow(read.integer("qsize", Int32Min, largest));
  s.qx = readPosition(read, map, "qx", s.keepQx);
  s.qy = readPosition(read, map, "qy", s.keepQy);
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

// The plain names of the formats, as a recipe writes them: "jpeg, tiff, gif
// or bmp".
std::string formatNames() {
  std::string names;
  const std::vector<ImageFormat>& formats = imageFormats();
  for (std::size_t i = 0; i < formats.size(); ++i) {
    if (i > 0) names += i + 1 == formats.size() ? " or " : ", ";
    names += formats[i].name;
  }
  return names;
}

std::optional<JobSettings> readSettings(const ArgumentMap& map,
                                        std::ostream& err) {
  OptionReader read(map, err);
  JobSettings s;
  for (int c = 0; c < 6; ++c) s.channels[c] = read.channel(ChannelKeys[c]);
  readColourSettings(map, read, err, s);
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
    if (map.isFromPicture("image") && !findFormat(*image))
      read.refuse("image", *image, "is not " + formatNames());
  }
  s.detail = narrow(read.integer("detail", 2, 12)).value_or(s.detail);
  if (std::optional<int64_t> size =
          read.integer("size", 40, JobSettings::MaxSide))
    s.side = uint32_t(*size);
  readPictureShape(map, read, s);
  if (!readImageOptions(map, read, s, err)) return std::nullopt;
  if (const std::string* mode = map.find("mode")) {
    if (*mode == "fast") {
      s.mode = JobSettings::Mode::Fast;
    } else if (*mode != "exact" && map.isFromPicture("mode")) {
      read.refuse("mode", *mode, "is neither exact nor fast");
    } else if (*mode != "exact") {
      err << "marl: warning: mode=" << Escaped{*mode}
          << " is neither exact nor fast; using exact\n";
    }
  }
  map.getBool("quazi", s.quazi);
  const std::string* quazi = map.find("quazi");
  if (quazi && map.isFromPicture("quazi") && *quazi != "true" &&
      *quazi != "false")
    read.refuse("quazi", *quazi, "is neither true nor false");
  if (s.quazi) readQuaziSettings(read, map, s);
  if (read.failed()) return std::nullopt;
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

}  // namespace

std::optional<JobSettings> readJobSettings(const ArgumentMap& map,
                                           std::ostream& err) {
  // Every value of a picture's recipe must fit, even one the command line
  // replaces: a recipe that does not is not one marl wrote.
  if (map.readPicture() && !readSettings(map.recipeAlone(), err))
    return std::nullopt;
  return readSettings(map, err);
}

}  // namespace marl
