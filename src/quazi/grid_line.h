#ifndef MARL_QUAZI_GRID_LINE_H_
#define MARL_QUAZI_GRID_LINE_H_

#include <cstdint>

namespace marl {

// One line y = slope * x + intercept of a line family.
struct GridLine {
  int32_t index;     // ordinal within the family, 0 .. lineCount - 1
  double slope;      // the family's slope, copied for the crossing formula
  double intercept;
  double position;   // signed distance from the family's reference point
};

}  // namespace marl

#endif  // MARL_QUAZI_GRID_LINE_H_
