#include "support/frame_difference.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "support/decoded_image.h"

namespace marl_test {

namespace {

constexpr int Reduction = 4;

struct GreyImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> levels;
};

// Rec. 601 luma of each pixel, averaged over 4 x 4 blocks and rounded.
GreyImage reducedGrey(const std::string& path) {
  const DecodedImage image = decodeImageFile(path);
  GreyImage grey;
  grey.width = image.width / Reduction;
  grey.height = image.height / Reduction;
  for (int y = 0; y < grey.height; ++y) {
    for (int x = 0; x < grey.width; ++x) {
      double sum = 0;
      for (int dy = 0; dy < Reduction; ++dy) {
        for (int dx = 0; dx < Reduction; ++dx) {
          const uint32_t p = image.at(x * Reduction + dx, y * Reduction + dy);
          sum += 0.299 * ((p >> 16) & 0xFF) + 0.587 * ((p >> 8) & 0xFF) +
                 0.114 * (p & 0xFF);
        }
      }
      grey.levels.push_back(
          uint8_t(std::lround(sum / (Reduction * Reduction))));
    }
  }
  return grey;
}

double difference(const GreyImage& a, const GreyImage& b) {
  if (a.width != b.width || a.height != b.height || a.levels.empty())
    return -1;
  double sum = 0;
  for (std::size_t i = 0; i < a.levels.size(); ++i)
    sum += std::abs(int(a.levels[i]) - int(b.levels[i]));
  return sum / double(a.levels.size());
}

}  // namespace

std::vector<double> loopFrameDifferences(
    const std::vector<std::string>& paths) {
  std::vector<GreyImage> frames;
  for (const std::string& path : paths) frames.push_back(reducedGrey(path));
  std::vector<double> differences;
  for (std::size_t i = 0; i < frames.size(); ++i) {
    const double d = difference(frames[i], frames[(i + 1) % frames.size()]);
    if (d < 0) return {};
    differences.push_back(d);
  }
  return differences;
}

double pictureDifference(const std::string& a, const std::string& b) {
  return difference(reducedGrey(a), reducedGrey(b));
}

double median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::nth_element(values.begin(), values.begin() + values.size() / 2,
                   values.end());
  return values[values.size() / 2];
}

}  // namespace marl_test
