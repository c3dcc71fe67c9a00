#include "driver/settings_reader.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "driver/colour_settings_reader.h"
#include "driver/given_map_reader.h"
#include "driver/image_options.h"
#include "driver/number_text.h"
#include "options/option_keys.h"

namespace marl {

namespace {

std::optional<int32_t> narrow(std::optional<int64_t> value) {
  if (!value) return std::nullopt;
  return int32_t(*value);
}

// A recipe holds the position its tiling was made with: a drawn one, which
// may lie beyond qsize, or a given one lowered to qsize, which may lie below
// 20. It is kept as it is, so that the replay makes the same tiling.
std::optional<int32_t> readPosition(OptionReader& read, const char* key,
                                    bool& kept) {
  const ArgumentMap& map = read.map();
  kept = map.isFromPicture(key);
  if (!kept) return narrow(read.integer(key));
  const std::string* qsize = map.fileValue(key::Qsize);
  const int64_t lowest =
      qsize ? std::min<int64_t>(20, parseInteger(*qsize)) : 20;
  return narrow(read.integer(key, lowest, JobSettings::MaxSide));
}

void readQuaziSettings(OptionReader& read, JobSettings& s) {
  s.qline = narrow(read.integer(key::Qline));
  s.qsize = narrow(read.integer(key::Qsize));
  s.qx = readPosition(read, key::Qx, s.keepQx);
  s.qy = readPosition(read, key::Qy, s.keepQy);
  s.qscale = read.real(key::Qscale);
  s.qsep = read.real(key::Qsep);
}

// width and height, each the side when not given; given without size, the
// longer of them is the side, so that it shows one period.
void readPictureShape(OptionReader& read, JobSettings& s) {
  s.width = read.integer(key::Width);
  s.height = read.integer(key::Height);
  if (!read.map().has(key::Size) && (s.width || s.height))
    s.side = uint32_t(std::max(s.width.value_or(0), s.height.value_or(0)));
  s.shiftX = read.real(key::ShiftX).value_or(0.0);
  s.shiftY = read.real(key::ShiftY).value_or(0.0);
}

// A recipe replayed at another size shows the same part of the plane: a
// width or height from the recipe grows with the side, unless the command
// line gives it.
void scaleShapeToSide(const ArgumentMap& map, JobSettings& s) {
  const std::string* recipeSide = map.fileValue(key::Size);
  if (!s.map || !recipeSide || map.isFromFile(key::Size)) return;
  const int64_t from = parseInteger(*recipeSide);
  if (from <= 0 || uint32_t(from) == s.side) return;
  for (auto [key, value] : {std::pair{key::Width, &s.width},
                            std::pair{key::Height, &s.height}}) {
    if (!*value || !map.isFromFile(key)) continue;
    const int64_t scaled = std::llround(double(**value) * s.side / double(from));
    **value = uint32_t(std::clamp<int64_t>(scaled, 40, JobSettings::MaxSide));
  }
}

// A recipe replayed at another size keeps its hits per pixel: the count of
// steps it was made with grows with the square of the side, unless the
// command line gives the count.
void scaleStepsToSide(const ArgumentMap& map, JobSettings& s) {
  const std::string* recipeSide = map.fileValue(key::Size);
  if (!s.map || !recipeSide || !map.isFromFile(key::It) ||
      map.isFromFile(key::Size))
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

void readMode(OptionReader& read, JobSettings& s) {
  const std::string* mode = read.text(key::Mode);
  if (!mode || *mode == "exact") return;
  if (*mode == "fast") {
    s.mode = JobSettings::Mode::Fast;
  } else {
    read.report(key::Mode, *mode, {"is neither exact nor fast", "using exact"});
  }
}

}  // namespace

std::optional<JobSettings> readSettings(OptionReader& read) {
  const ArgumentMap& map = read.map();
  JobSettings s;
  for (int c = 0; c < 6; ++c) s.channels[c] = read.channel(key::Channels[c]);
  readColourSettings(read, s);
  if (const std::string* basename = read.text(key::Basename))
    s.basename = *basename;
  s.iterationMaximum = read.integer(key::It).value_or(s.iterationMaximum);
  if (const std::string* image = read.text(key::Image)) {
    s.imageWord = *image;
    s.format = &formatForWord(*image);
    if (!findFormat(*image))
      read.refuseFromPicture(key::Image, *image, "is not " + formatNames());
  }
  s.detail = narrow(read.integer(key::Detail)).value_or(s.detail);
  if (std::optional<int64_t> size = read.integer(key::Size))
    s.side = uint32_t(*size);
  readPictureShape(read, s);
  readImageOptions(read, s);
  readMode(read, s);
  if (std::optional<int64_t> seed = read.integer(key::Seed))
    s.seed = uint32_t(*seed);
  s.quazi = read.onOff(key::Quazi).value_or(s.quazi);
  if (s.quazi) readQuaziSettings(read, s);
  if (read.failed() || !readGivenMap(read, s)) return std::nullopt;
  scaleStepsToSide(map, s);
  scaleShapeToSide(map, s);
  return s;
}

std::optional<JobSettings> readJobSettings(const ArgumentMap& map,
                                           std::ostream& err) {
  if (map.readPicture()) {
    const ArgumentMap alone = map.recipeAlone();
    OptionReader check(alone, err);
    if (!readSettings(check)) return std::nullopt;
  }
  OptionReader read(map, err);
  return readSettings(read);
}

}  // namespace marl
