#include "support/colour_path.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace marl_test {

namespace {

struct Point {
  double v[3];
};

Point pointOf(uint32_t colour) {
  return {{double((colour >> 16) & 0xFF), double((colour >> 8) & 0xFF),
           double(colour & 0xFF)}};
}

}  // namespace

double distanceToPath(const std::vector<std::array<double, 3>>& stops,
                      uint32_t colour) {
  const Point c = pointOf(colour);
  double best = std::numeric_limits<double>::infinity();
  for (std::size_t i = 0; i + 1 < stops.size(); ++i) {
    const Point a = {{stops[i][0] * 255, stops[i][1] * 255, stops[i][2] * 255}};
    const Point b = {{stops[i + 1][0] * 255, stops[i + 1][1] * 255,
                      stops[i + 1][2] * 255}};
    double along = 0.0, length = 0.0;
    for (int k = 0; k < 3; ++k) {
      along += (c.v[k] - a.v[k]) * (b.v[k] - a.v[k]);
      length += (b.v[k] - a.v[k]) * (b.v[k] - a.v[k]);
    }
    const double t = length > 0.0 ? std::clamp(along / length, 0.0, 1.0) : 0.0;
    double squared = 0.0;
    for (int k = 0; k < 3; ++k) {
      const double d = c.v[k] - (a.v[k] + t * (b.v[k] - a.v[k]));
      squared += d * d;
    }
    best = std::min(best, std::sqrt(squared));
  }
  return best;
}

}  // namespace marl_test
