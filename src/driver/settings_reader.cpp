#include "driver/settings_reader.h"

#include "driver/number_text.h"

namespace marl {

namespace {

const char* const kChannelKeys[6] = {"R0", "G0", "B0", "R1", "G1", "B1"};

// A channel above 255 is 255; otherwise its low 8 bits count, so -1 reads
// as 255.
uint32_t limitChannel(int32_t n) { return n > 255 ? 255u : uint32_t(n) & 0xFFu; }

int32_t limitSide(int32_t side, const char* key, std::ostream& err) {
  const int32_t largest = int32_t(JobSettings::kMaxSide);
  if (side <= largest) return side;
  err << "marl: warning: " << key << "=" << side << " is above the largest "
      << "side " << largest << "; using " << largest << "\n";
  return largest;
}

std::optional<int32_t> optionalInteger(const ArgumentMap& map,
                                       const char* key) {
  const std::string* value = map.find(key);
  if (!value) return std::nullopt;
  return parseInteger(*value);
}

void readQuaziSettings(const ArgumentMap& map, JobSettings& s,
                       std::ostream& err) {
  int32_t qline = 0;
  if (map.getIntInRange("qline", qline, 5, 42)) s.qline = qline;
  if (std::optional<int32_t> qsize = optionalInteger(map, "qsize"))
    s.qsize = limitSide(*qsize, "qsize", err);
  for (auto [key, field] : {std::pair{"qx", &s.qx}, std::pair{"qy", &s.qy}}) {
    if (std::optional<int32_t> position = optionalInteger(map, key))
      *field = std::max(*position, int32_t(20));
  }
  double real = 0.0;
  if (map.getDoubleInRange("qscale", real, 0.05, 3.0)) s.qscale = real;
  if (map.getDoubleInRange("qsep", real, 0.01, 0.1)) s.qsep = real;
}

}  // namespace

JobSettings readJobSettings(const ArgumentMap& map, std::ostream& err) {
  JobSettings s;
  for (int c = 0; c < 6; ++c) {
    if (std::optional<int32_t> n = optionalInteger(map, kChannelKeys[c]))
      s.channels[c] = limitChannel(*n);
  }
  if (const std::string* basename = map.find("basename"))
    s.basename = *basename;
  int32_t iterations = 200000000;
  map.getInt("it", iterations);
  s.iterationMaximum = iterations;
  if (const std::string* image = map.find("image")) {
    s.imageWord = *image;
    s.format = &formatForWord(*image);
  }
  map.getIntInRange("detail", s.detail, 2, 12);
  if (std::optional<int32_t> size = optionalInteger(map, "size"))
    s.side = uint32_t(limitSide(std::max(*size, int32_t(40)), "size", err));
  map.getBool("quazi", s.quazi);
  if (s.quazi) readQuaziSettings(map, s, err);
  return s;
}

}  // namespace marl
