#include "driver/image_options.h"

#include <cctype>
#include <cstdlib>

#include "base/escaped_text.h"

namespace marl {

namespace {

void readDepth(const ArgumentMap& map, JobSettings& s, std::ostream& err) {
  const std::string* depth = map.find("depth");
  if (!depth || *depth == "8") return;
  if (*depth != "16") {
    err << "marl: warning: depth=" << Escaped{*depth}
        << " is neither 8 nor 16; using 8\n";
  } else if (s.format->maxDepth < 16) {
    err << "marl: warning: depth=16 needs image=png or image=tiff; a "
        << s.format->title << " picture has 8 bits a sample; using 8\n";
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

void readBackground(const ArgumentMap& map, JobSettings& s,
                    std::ostream& err) {
  const std::string* value = map.find("background");
  if (!value) return;
  if (isColour(*value)) {
    s.background.kind = Background::Colour;
    s.background.colour = uint32_t(std::strtoul(value->c_str(), nullptr, 16));
  } else if (*value != "none") {
    err << "marl: warning: background=" << Escaped{*value}
        << " is neither none nor a colour RRGGBB (six hex digits); painting "
           "unvisited cells as usual\n";
  } else if (!s.format->alpha) {
    err << "marl: warning: background=none needs image=png, image=tiff or "
           "image=webp; a "
        << s.format->title
        << " picture has no transparency; painting unvisited cells as usual\n";
  } else {
    s.background.kind = Background::Transparent;
  }
}

void readQuality(const ArgumentMap& map, OptionReader& read, JobSettings& s,
                 std::ostream& err) {
  const std::string* value = map.find("quality");
  if (!value) return;
  if (!s.format->quality) {
    err << "marl: warning: quality=" << Escaped{*value}
        << " applies only to image=jpeg and image=webp; a "
        << s.format->title << " picture is lossless; ignoring it\n";
  } else if (*value == "lossless") {
    if (std::string(s.format->name) == "webp") {
      s.lossless = true;
    } else {
      err << "marl: warning: quality=lossless applies only to image=webp; "
             "using the JPEG default quality 95\n";
    }
  } else {
    s.quality = int(read.integer("quality", 1, 100).value_or(0));
  }
}

}  // namespace

bool readImageOptions(const ArgumentMap& map, OptionReader& read,
                      JobSettings& s, std::ostream& err) {
  readDepth(map, s, err);
  readBackground(map, s, err);
  readQuality(map, read, s, err);
  const uint32_t most = uint32_t(s.format->maxSide);
  if (s.side > most) {
    err << "marl: error: a " << s.format->title << " picture holds at most "
        << most << " pixels a side, and size=" << s.side
        << " asks for more; give a smaller size\n";
    return false;
  }
  return true;
}

}  // namespace marl
