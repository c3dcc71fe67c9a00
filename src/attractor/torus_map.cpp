#include "attractor/torus_map.h"

#include <cassert>
#include <cmath>

namespace marl {

TorusMap::TorusMap()
    : coefficientMatrix(boost::extents[MaxDetail][MaxDetail]) {}

double TorusMap::wrapToTorus(double value) {
  // A step moves a coordinate by at most about 61, so the integer part
  // always fits 32 bits.
  if (value > 1.0) return value - static_cast<int32_t>(value);
  if (value < 0.0) return value + (1 - static_cast<int32_t>(value));
  return value;
}

void TorusMap::iterate() {
  const int32_t L = detail;
  assert(L <= MaxDetail);

  xAngles[0] = angleScale * x;
  yAngles[0] = angleScale * y;
  sinX[0] = std::sin(xAngles[0]);
  cosX[0] = std::cos(xAngles[0]);
  sinY[0] = std::sin(yAngles[0]);
  cosY[0] = std::cos(yAngles[0]);
  // Harmonics by repeated addition: (k+1) * angle would round differently.
  for (int32_t k = 1; k < L; ++k) {
    xAngles[k] = xAngles[k - 1] + xAngles[0];
    yAngles[k] = yAngles[k - 1] + yAngles[0];
    sinX[k] = std::sin(xAngles[k]);
    cosX[k] = std::cos(xAngles[k]);
    sinY[k] = std::sin(yAngles[k]);
    cosY[k] = std::cos(yAngles[k]);
  }

  // Accumulate in locals: the compiler cannot keep members in registers
  // across stores it may think alias the matrix. Doubles either way, so the
  // bits are the same.
  double newX = linearCoefficient * x + offsetX;
  double newY = linearCoefficient * y + offsetY;
  const double* matrix = coefficientMatrix.data();
  for (int32_t i = 0; i < L; ++i) {
    const double* row = matrix + i * MaxDetail;
    const double sineX = sinX[i];
    const double sineY = sinY[i];
    for (int32_t j = 0; j < L; ++j) {
      const double m = row[j];
      newX = newX + (sineX * m) * cosY[j];
      newY = newY + (sineY * m) * cosX[j];
    }
  }

  x = wrapToTorus(newX);
  y = wrapToTorus(newY);
}

}  // namespace marl
