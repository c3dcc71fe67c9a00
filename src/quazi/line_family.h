#ifndef MARL_QUAZI_LINE_FAMILY_H_
#define MARL_QUAZI_LINE_FAMILY_H_

#include <cmath>
#include <cstdint>
#include <vector>

#include "quazi/grid_line.h"

namespace marl {

// A bundle of equally spaced parallel lines, symmetric about the reference
// point (offset, offset). Copies are deep: the lines come along.
struct LineFamily {
  // Builds lineCount lines running in direction `angle`, `spacing` apart
  // along the normal; line lineCount / 2 passes through the reference point.
  LineFamily(double angle, double spacing, int32_t index, int32_t lineCount);

  // The number of the strip that holds (x, y): the strip just before line k
  // has number k, and a point exactly on line k lies in strip k + 1. Numbers
  // go on counting beyond the first and last lines. A double, because for a
  // point far out along the normal the number leaves the int range.
  double stripIndex(double x, double y) const {
    // The position of (x, y) along the normal, from the reference point.
    const double t = ((y - offset) - (x - offset) * slope) /
                     (sinNormal - cosNormal * slope);
    return std::floor(((lineCount / 2) * spacing + t) / spacing) + 1.0;
  }

  double angle;
  // Not pi/2 to full precision: the tiles depend on this exact constant.
  double normalAngle;
  double slope;
  double cosAngle;
  double sinAngle;
  double cosNormal;
  double sinNormal;
  double spacing;
  int32_t lineCount;
  std::vector<GridLine> lines;
  int32_t index;
  // index / 1111.0, so that no two families share a reference point and no
  // three lines of different families meet in one point.
  double offset;
};

}  // namespace marl

#endif  // MARL_QUAZI_LINE_FAMILY_H_
