#include "driver/animation_settings_reader.h"

#include <limits>
#include <optional>
#include <sstream>
#include <string>

#include "base/escaped_text.h"
#include "driver/given_map_reader.h"
#include "driver/number_text.h"
#include "driver/settings_reader.h"
#include "options/option_keys.h"
#include "options/option_table.h"

namespace marl {

namespace {

// A frame's default steps: enough hits per pixel that the grain of
// consecutive frames is no louder than their motion.
constexpr int64_t DefaultHitsPerPixel = 50;

std::string show(double value) {
  std::ostringstream text;
  text << value;
  return text.str();
}

bool fail(std::ostream& err, const std::string& why) {
  err << "marl: error: " << why << "; nothing is made\n";
  return false;
}

// Splits `text` at every `separator`.
std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::size_t at = 0;
  for (;;) {
    const std::size_t end = text.find(separator, at);
    parts.push_back(text.substr(at, end - at));
    if (end == std::string::npos) return parts;
    at = end + 1;
  }
}

// A whole number written as plain digits; nullopt otherwise.
std::optional<int64_t> plainWhole(const std::string& text) {
  if (text.empty() || text.size() > 9 ||
      text.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  return readIntegerText(text).value;
}

// only=A-B or only=A: the frames to make.
bool readRange(OptionReader& read, AnimationSettings& a) {
  std::ostream& err = read.err();
  a.first = 0;
  a.last = a.frames - 1;
  const std::string* text = read.text(key::Only);
  if (!text) return true;
  const std::size_t dash = text->find('-');
  const std::optional<int64_t> first = plainWhole(text->substr(0, dash));
  const std::optional<int64_t> last =
      dash == std::string::npos ? first : plainWhole(text->substr(dash + 1));
  if (!first || !last || *last < *first) {
    return fail(err, std::string(key::Only) + "=" + escapedText(*text) +
                         " is not a range of frames such as 0-59 or 7");
  }
  if (*first > a.last) {
    return fail(err, std::string(key::Only) + "=" + escapedText(*text) +
                         " starts after the last frame, " +
                         std::to_string(a.last));
  }
  if (*last > a.last) {
    read.report(key::Only, *text,
                {"ends after the last frame",
                 "making frames " + std::to_string(*first) + " to " +
                     std::to_string(a.last)});
  }
  a.first = int32_t(*first);
  a.last = int32_t(std::min<int64_t>(*last, a.last));
  return true;
}

// The map of the picture at `path`, from its recipe.
std::optional<JobSettings> keyframeOf(const std::string& path,
                                      std::ostream& err) {
  const std::string word = std::string(key::File) + "=" + path;
  const char* const words[] = {"marl", word.c_str()};
  const ArgumentMap keyframe(2, words, err);
  if (!keyframe.ok()) return std::nullopt;
  std::optional<JobSettings> read = readJobSettings(keyframe, err);
  if (read && !read->map) {
    fail(err, "morph keyframe '" + escapedText(path) +
                  "' holds no recipe with a map");
    return std::nullopt;
  }
  return read;
}

// morph=PICTURE[,PICTURE...]: each picture's coefficients, which must share
// the job's detail, linear and offset.
bool readMorph(const std::string& list, const JobSettings& s,
               AnimationSettings& a, std::ostream& err) {
  if (!s.map) {
    return fail(err, "morph= starts from the job's map: give it too, with "
                     "file=PICTURE");
  }
  for (const std::string& path : split(list, ',')) {
    const std::optional<JobSettings> key = keyframeOf(path, err);
    if (!key) return false;
    const GivenMap& m = *key->map;
    if (key->detail != s.detail ||
        m.linearCoefficient != s.map->linearCoefficient ||
        m.offset != s.map->offset) {
      return fail(
          err, "morph keyframe '" + escapedText(path) + "' has detail=" +
                   std::to_string(key->detail) + " linear=" +
                   std::to_string(m.linearCoefficient) + " offset=" +
                   show(m.offset) + " where the job's map has detail=" +
                   std::to_string(s.detail) + " linear=" +
                   std::to_string(s.map->linearCoefficient) + " offset=" +
                   show(s.map->offset) +
                   ": keyframes must share linear, offset and detail");
    }
    a.keyframes.push_back(m.coefficients);
    a.keyframeNames.push_back(path);
  }
  return true;
}

// A recipe's keyframes=: coefficient blocks separated by ';'.
bool readKeyframes(const std::string& list, const JobSettings& s,
                   AnimationSettings& a, std::ostream& err) {
  int key = 1;
  for (const std::string& block : split(list, ';')) {
    std::vector<double> coefficients;
    std::string why;
    if (!readCoefficientList(block, s.detail, key::Keyframes, coefficients,
                             why)) {
      return fail(err, "keyframe " + std::to_string(key) + ": " + why);
    }
    a.keyframes.push_back(coefficients);
    a.keyframeNames.push_back("keyframe " + std::to_string(++key));
  }
  return true;
}

bool readPath(OptionReader& read, const JobSettings& s,
              AnimationSettings& a) {
  const ArgumentMap& map = read.map();
  std::ostream& err = read.err();
  a.loopRadius = read.real(key::Loop).value_or(a.loopRadius);
  if (std::optional<int64_t> plane = read.integer(key::Plane))
    a.plane = uint32_t(*plane);
  const std::string* morph = read.text(key::Morph);
  const std::string* keyframes = read.text(key::Keyframes);
  // The command line wins over a recipe: a loop asked for there replaces
  // the recipe's keyframes, and a morph the recipe's loop.
  const bool loopOnCommandLine =
      map.has(key::Loop) && !map.isFromFile(key::Loop);
  if (morph && loopOnCommandLine)
    return fail(err, "give loop= or morph=, not both");
  if (morph) return readMorph(*morph, s, a, err);
  if (keyframes && !loopOnCommandLine)
    return readKeyframes(*keyframes, s, a, err);
  return true;
}

// Whether `word` is one of the words the table lists for the option.
bool isOneOfItsWords(const char* key, const std::string& word) {
  std::istringstream words(option(key).fixedWords);
  for (std::string listed; words >> listed;)
    if (listed == word) return true;
  return false;
}

// video=, fps=, keepframes= and the encoders' crf=, preset= and chroma=:
// what is made besides (or instead of) the
// frames. Videos need every frame, so a run of a range makes none and keeps
// its frames for the run that makes them.
void readVideos(OptionReader& read, AnimationSettings& a) {
  std::ostream& err = read.err();
  if (const std::string* video = read.text(key::Video))
    a.videos = parseVideoFormats(*video, err);
  a.fps = int(read.integer(key::Fps).value_or(a.fps));
  VideoSettings& e = a.encoding;
  e.h264Crf = int(read.integer(key::Crf).value_or(e.h264Crf));
  if (const std::string* preset = read.text(key::Preset)) {
    if (isOneOfItsWords(key::Preset, *preset)) {
      e.h264Preset = *preset;
    } else {
      read.report(key::Preset, *preset,
                  {"is not an x264 preset", "using " + e.h264Preset});
    }
  }
  if (const std::string* chroma = read.text(key::Chroma)) {
    if (*chroma == "444" || *chroma == "420") {
      e.fullChroma = *chroma == "444";
    } else {
      read.report(key::Chroma, *chroma, {"is neither 420 nor 444", "using 420"});
    }
  }
  if (std::optional<bool> keep = read.onOff(key::KeepFrames); keep && !*keep) {
    if (!a.videos.empty()) {
      a.keepFrames = false;
    } else {
      read.report(key::KeepFrames, *read.text(key::KeepFrames),
                  {"without video= would make nothing", "the frames are kept"});
    }
  }
  if (a.videos.empty() || a.coversEveryFrame()) return;
  err << "marl: warning: this run makes frames " << a.first << " to " << a.last
      << " of " << a.frames << ", and a video needs them all: no video is "
      << "made and the frames are kept; once every frame is made, run again "
      << "with video= and without only= to encode them without rendering\n";
  a.videos.clear();
  a.keepFrames = true;
}

}  // namespace

AnimationRead readAnimationSettings(OptionReader& read,
                                    JobSettings& settings,
                                    AnimationSettings& animation) {
  const ArgumentMap& map = read.map();
  if (!map.has(key::Frames)) {
    for (const OptionSpec& spec : optionTable()) {
      if (spec.animation && map.has(spec.key))
        read.err() << "marl: warning: " << spec.key << "= is for animations "
                   << "and is ignored without frames=\n";
    }
    return AnimationRead::Still;
  }
  animation.frames = int32_t(*read.integer(key::Frames));
  if (!readPath(read, settings, animation) || !readRange(read, animation))
    return AnimationRead::Failed;
  readVideos(read, animation);
  if (read.failed()) return AnimationRead::Failed;
  // A still's recipe says how the still was made, not its frames: they take
  // their own defaults unless the command line or an animation's recipe
  // gives a value.
  const bool stillRecipe =
      map.isFromFile(key::Check) && !map.isFromFile(key::Frames);
  const auto given = [&](const char* key) {
    return map.has(key) && !(stillRecipe && map.isFromFile(key));
  };
  if (!given(key::Mode)) settings.mode = JobSettings::Mode::Fast;
  if (!given(key::Filter)) settings.colour.filter = FilterKind::Density;
  if (!given(key::It)) {
    settings.iterationMaximum =
        DefaultHitsPerPixel * int64_t(settings.side) * int64_t(settings.side);
  }
  if (!given(key::Image)) {
    settings.imageWord = DefaultFrameImage;
    settings.format = &formatForWord(settings.imageWord);
  }
  return AnimationRead::Animation;
}

}  // namespace marl
