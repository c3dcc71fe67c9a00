#include "quazi/line_family.h"

#include <cmath>

namespace marl {

LineFamily::LineFamily(double angle, double spacing, int32_t index,
                       int32_t lineCount)
    : angle(angle),
      normalAngle(angle + 1.57079632675),
      slope(0.0),
      cosAngle(std::cos(angle)),
      sinAngle(std::sin(angle)),
      // From normalAngle itself, not from the angle's sine and cosine: the
      // two differ in the last bits.
      cosNormal(std::cos(normalAngle)),
      sinNormal(std::sin(normalAngle)),
      spacing(spacing),
      lineCount(lineCount),
      index(index),
      offset(index / 1111.0) {
  slope = sinAngle / cosAngle;
  const int32_t half = lineCount / 2;
  lines.reserve(lineCount > 0 ? lineCount : 0);
  for (int32_t k = 0; k < lineCount; ++k) {
    const double position = (k - half) * spacing;
    const double anchorX = offset + position * cosNormal;
    const double anchorY = offset + position * sinNormal;
    const double intercept = anchorY - slope * anchorX;
    lines.push_back(GridLine{k, slope, intercept, position});
  }
}

}  // namespace marl
