#include "driver/image_options.h"

#include <cctype>
#include <cstdlib>
#include <string>

#include "base/escaped_text.h"
#include "options/option_keys.h"

namespace marl {

namespace {

// Why a word the option takes does not fit the picture's format, as a
// refusal says it, refused only when the recipe chose the format too.
Problem notForFormat(const JobSettings& s, const std::string& warningWhy,
                     const char* consequence) {
  return {std::string("does not fit its ") + s.format->title + " picture",
          consequence, warningWhy, key::Image};
}

void readDepth(OptionReader& read, JobSettings& s) {
  const std::string* depth = read.text(key::Depth);
  if (!depth || *depth == "8") return;
  if (*depth != "16") {
    read.report(key::Depth, *depth, {"is neither 8 nor 16", "using 8"});
  } else if (s.format->maxDepth < 16) {
    read.report(key::Depth, *depth,
                notForFormat(s,
                             std::string("needs image=png or image=tiff; a ") +
                                 s.format->title +
                                 " picture has 8 bits a sample",
                             "using 8"));
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

void readBackground(OptionReader& read, JobSettings& s) {
  const std::string* value = read.text(key::Background);
  if (!value) return;
  const char* usual = "painting unvisited cells as usual";
  if (isColour(*value)) {
    s.background.kind = Background::Colour;
    s.background.colour = uint32_t(std::strtoul(value->c_str(), nullptr, 16));
  } else if (*value != "none") {
    read.report(key::Background, *value,
                {"is neither none nor a colour RRGGBB (six hex digits)",
                 usual});
  } else if (!s.format->alpha) {
    read.report(key::Background, *value,
                notForFormat(s,
                             std::string("needs image=png, image=tiff or "
                                         "image=webp; a ") +
                                 s.format->title +
                                 " picture has no transparency",
                             usual));
  } else {
    s.background.kind = Background::Transparent;
  }
}

void readQuality(OptionReader& read, JobSettings& s) {
  const std::string* value = read.text(key::Quality);
  if (!value) return;
  if (!s.format->quality) {
    read.report(key::Quality, *value,
                notForFormat(s,
                             std::string("applies only to image=jpeg and "
                                         "image=webp; a ") +
                                 s.format->title + " picture is lossless",
                             "ignoring it"));
  } else if (*value == "lossless") {
    if (std::string(s.format->name) == "webp") {
      s.lossless = true;
    } else {
      read.report(key::Quality, *value,
                  notForFormat(s, "applies only to image=webp",
                               "using the JPEG default quality 95"));
    }
  } else {
    // Refuses a recipe's value beyond 1..100 itself.
    s.quality = int(read.integer(key::Quality).value_or(0));
  }
}

}  // namespace

void readImageOptions(OptionReader& read, JobSettings& s) {
  readDepth(read, s);
  readBackground(read, s);
  readQuality(read, s);
}

}  // namespace marl
