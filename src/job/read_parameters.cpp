#include <ostream>

#include "attractor/random_source.h"
#include "driver/argument_map.h"
#include "driver/number_text.h"
#include "job/symmetric_square.h"

namespace marl {

namespace {

// A given channel above 255 is 255; otherwise its low 8 bits count, so -1
// reads as 255. An absent channel is drawn.
uint32_t readChannel(const ArgumentMap& map, const char* key) {
  if (const std::string* value = map.find(key)) {
    const int32_t n = parseInteger(*value);
    return n > 255 ? 255u : uint32_t(n) & 0xFFu;
  }
  return 55 + drawSmallInteger(0, 200);
}

void echoColour(std::ostream& out, const char* label, uint32_t colour) {
  out << label << "Red " << ((colour >> 16) & 0xFF) << " Green "
      << ((colour >> 8) & 0xFF) << " Blue " << (colour & 0xFF) << std::endl;
}

bool contains(const std::string& word, const char* part) {
  return word.find(part) != std::string::npos;
}

}  // namespace

uint32_t SymmetricSquare::readColour(const ArgumentMap& map, const char* red,
                                     const char* green, const char* blue) {
  const uint32_t r = readChannel(map, red);
  const uint32_t g = readChannel(map, green);
  const uint32_t b = readChannel(map, blue);
  return 0xFF000000u + r * 65536 + g * 256 + b;
}

bool SymmetricSquare::readParameters(const ArgumentMap& map) {
  JobParameters& p = parameters_;
  p.startColour = readColour(map, "R0", "G0", "B0");
  echoColour(out_, "Start color = ", p.startColour);
  p.finishColour = readColour(map, "R1", "G1", "B1");
  echoColour(out_, "Final color = ", p.finishColour);

  const std::string* basename = map.find("basename");
  p.basename = basename ? *basename : "symmetric_square";
  out_ << "base file name is " << p.basename << std::endl;

  p.iterationMaximum = 200000000;
  map.getInt("it", p.iterationMaximum);

  // Later matches win, so a word holding both "tiff" and "bmp" is BMP.
  const std::string* image = map.find("image");
  const std::string word = image ? *image : "jpeg";
  p.imageType = 1;
  p.extension = "jpg";
  if (image) {
    if (contains(word, "tiff") || contains(word, "Tiff") ||
        contains(word, "TIFF")) {
      p.imageType = 2;
      p.extension = "tif";
    }
    if (contains(word, "gif") || contains(word, "Gif") ||
        contains(word, "GIF")) {
      p.imageType = 3;
      p.extension = "gif";
    }
    if (contains(word, "bmp") || contains(word, "Bmp") ||
        contains(word, "BMP")) {
      p.imageType = 0;
      p.extension = "bmp";
    }
  }
  out_ << "Image will be " << word << " type" << std::endl;

  p.detail = 6;
  map.getIntInRange("detail", p.detail, 2, 12);
  out_ << "Detail level = " << p.detail << std::endl;

  if (const std::string* size = map.find("size")) {
    int32_t side = parseInteger(*size);
    if (side < 40) side = 40;
    if (!resize(uint32_t(limitSide(side, "size", true)))) return false;
  }
  out_ << "The image will be " << grid_.size() << " x " << grid_.size()
       << " pixels" << std::endl;

  p.quazi = false;
  map.getBool("quazi", p.quazi);
  if (!p.quazi) return true;
  out_ << "A quazi-crystal image tiling will also be created" << std::endl;
  readQuaziParameters(map);
  return true;
}

int32_t SymmetricSquare::limitSide(int32_t side, const char* key, bool given) {
  if (side <= int32_t(MaxSide)) return side;
  if (given) {
    err_ << "marl: warning: " << key << "=" << side << " is above the largest "
         << "side " << MaxSide << "; using " << MaxSide << "\n";
  }
  return int32_t(MaxSide);
}

void SymmetricSquare::readQuaziParameters(const ArgumentMap& map) {
  JobParameters& p = parameters_;
  const int32_t side = int32_t(grid_.size());
  // These thrown-away draws are part of the engine's fixed path: every later
  // draw of the run depends on them.
  for (int i = 0; i < 100; ++i) {
    next();
    drawInteger(50, side);
    drawInteger(5, 42);
    next();
  }

  if (!map.getIntInRange("qline", p.qline, 5, 42)) p.qline = drawInteger(5, 42);

  if (const std::string* qsize = map.find("qsize")) {
    p.qsize = limitSide(parseInteger(*qsize), "qsize", true);
  } else {
    const double drawn = drawReal(0.8, 2.2) * double(grid_.size());
    p.qsize = limitSide(int32_t(drawn), "qsize", false);
  }

  for (auto [key, field] : {std::pair{"qx", &p.qx}, std::pair{"qy", &p.qy}}) {
    if (const std::string* value = map.find(key)) {
      int32_t position = parseInteger(*value);
      if (position < 20) position = 20;
      if (position > p.qsize) position = p.qsize;
      *field = position;
    } else {
      *field = drawInteger(50, side);
    }
  }

  if (!map.getDoubleInRange("qscale", p.qscale, 0.05, 3.0)) {
    p.qscale = drawReal(0.05, 3.0);
  }
  if (!map.getDoubleInRange("qsep", p.qsep, 0.01, 0.1)) {
    p.qsep = drawReal(0.01, 0.1);
  }
}

}  // namespace marl
