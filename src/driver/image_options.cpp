#include "driver/image_options.h"

#include <cctype>
#include <cstdlib>
#include <string>

#include "base/escaped_text.h"

namespace marl {

namespace {

// Reports a value the picture cannot use. A picture's recipe holds only
// values marl wrote, which fit its own format: one that does not is
// refused. A value that only fits another format than the one the command
// line chose is the user's doing, and gets the usual warning.
class ImageOptionReader {
 public:
  ImageOptionReader(const ArgumentMap& map, OptionReader& read,
                    std::ostream& err)
      : map_(map), read_(read), err_(err) {}

  // A value that is none of the option's words: `why` follows it.
  void notAWord(const char* key, const std::string& value,
                const std::string& why, const char* used) {
    if (map_.isFromPicture(key)) {
      read_.refuse(key, value, why);
    } else {
      err_ << "marl: warning: " << key << "=" << Escaped{value} << " " << why
           << "; " << used << "\n";
    }
  }
  // A word the option takes that the format cannot use; `warning` is the
  // whole warning after "marl: warning: ".
  void notForFormat(const char* key, const std::string& value,
                    const std::string& why, const std::string& warning) {
    if (map_.isFromPicture(key) && map_.isFromPicture("image")) {
      read_.refuse(key, value, why);
    } else {
      err_ << "marl: warning: " << warning << "\n";
    }
  }

 private:
  const ArgumentMap& map_;
  OptionReader& read_;
  std::ostream& err_;
};

void readDepth(const ArgumentMap& map, ImageOptionReader& check,
               JobSettings& s) {
  const std::string* depth = map.find("depth");
  if (!depth || *depth == "8") return;
  if (*depth != "16") {
    check.notAWord("depth", *depth, "is neither 8 nor 16", "using 8");
  } else if (s.format->maxDepth < 16) {
    check.notForFormat(
        "depth", *depth,
        std::string("does not fit its ") + s.format->title + " picture",
        std::string("depth=16 needs image=png or image=tiff; a ") +
            s.format->title + " picture has 8 bits a sample; using 8");
  } else {
    s.depth = 16;
  }
}

bool isColour(const std::string& text) {
  if (text.size() != 6) return false;
  for (const char c : text)
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

void readBackground(const ArgumentMap& map, ImageOptionReader& check,
                    JobSettings& s) {
  const std::string* value = map.find("background");
  if (!value) return;
  if (isColour(*value)) {
    s.background.kind = Background::Colour;
    s.background.colour = uint32_t(std::strtoul(value->c_str(), nullptr, 16));
  } else if (*value != "none") {
    check.notAWord("background", *value,
                   "is neither none nor a colour RRGGBB (six hex digits)",
                   "painting unvisited cells as usual");
  } else if (!s.format->alpha) {
    check.notForFormat(
        "background", *value,
        std::string("does not fit its ") + s.format->title + " picture",
        std::string("background=none needs image=png, image=tiff or "
                    "image=webp; a ") +
            s.format->title +
            " picture has no transparency; painting unvisited cells as "
            "usual");
  } else {
    s.background.kind = Background::Transparent;
  }
}

void readQuality(const ArgumentMap& map, OptionReader& read,
                 ImageOptionReader& check, JobSettings& s) {
  const std::string* value = map.find("quality");
  if (!value) return;
  if (!s.format->quality) {
    check.notForFormat(
        "quality", *value,
        std::string("does not fit its ") + s.format->title + " picture",
        "quality=" + escapedText(*value) +
            " applies only to image=jpeg and image=webp; a " +
            s.format->title + " picture is lossless; ignoring it");
  } else if (*value == "lossless") {
    if (std::string(s.format->name) == "webp") {
      s.lossless = true;
    } else {
      check.notForFormat("quality", *value,
                         std::string("does not fit its ") + s.format->title +
                             " picture",
                         "quality=lossless applies only to image=webp; "
                         "using the JPEG default quality 95");
    }
  } else {
    // Refuses a recipe's value beyond 1..100 itself.
    s.quality = int(read.integer("quality", 1, 100).value_or(0));
  }
}

}  // namespace

bool readImageOptions(const ArgumentMap& map, OptionReader& read,
                      JobSettings& s, std::ostream& err) {
  ImageOptionReader check(map, read, err);
  readDepth(map, check, s);
  readBackground(map, check, s);
  readQuality(map, read, check, s);
  return true;
}

}  // namespace marl
