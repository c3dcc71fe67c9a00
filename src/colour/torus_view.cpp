#include "colour/torus_view.h"

#include <cmath>

namespace marl {

namespace {

// The shift in whole cells; a shift outside [0, 1) (or not a number) is
// taken modulo one period, so the offset is always below the side.
uint32_t offsetOf(double shift, uint32_t side) {
  if (side == 0 || !std::isfinite(shift)) return 0;
  const double cells = std::floor((shift - std::floor(shift)) * side);
  return uint32_t(cells) % side;
}

}  // namespace

TorusView::TorusView(uint32_t side, uint32_t width, uint32_t height,
                     double shiftX, double shiftY)
    : side_(side == 0 ? 1 : side),
      width_(width),
      height_(height),
      offsetX_(offsetOf(shiftX, side_)),
      offsetY_(offsetOf(shiftY, side_)) {}

}  // namespace marl
