#include "attractor/map_parameters.h"

#include "base/draw_sequence.h"

namespace marl {

int32_t randomizeMap(TorusMap& map, RandomSource& random) {
  map.linearCoefficient = random.drawSmallInteger(-3, 3);
  for (int i = 0; i < MapDiscardCount; ++i) random.next();
  map.x = random.drawUnit();
  map.y = random.drawUnit();
  const double offset = random.drawHalfOffset() ? 0.5 : 0.0;
  map.offsetX = offset;
  map.offsetY = offset;
  const int32_t L = map.detail;
  for (int32_t i = 0; i < L; ++i) {
    for (int32_t j = 0; j < L; ++j) {
      map.coefficientMatrix[i][j] = random.drawUnit() * 0.8 - 0.4;
    }
  }
  return random.drawSmallInteger(0, 30000);
}

}  // namespace marl
