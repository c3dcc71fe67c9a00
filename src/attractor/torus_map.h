#ifndef MARL_ATTRACTOR_TORUS_MAP_H_
#define MARL_ATTRACTOR_TORUS_MAP_H_

#include <cstdint>

#include <boost/multi_array.hpp>

namespace marl {

// A map of the unit torus that commutes with the eight symmetries of the
// square: an integer multiple of the point, an offset of 0 or 1/2 and a double
// Fourier sum whose y formula is the x formula with the coordinates exchanged.
// The orbit is chaotic, so every operation below is done in a fixed order:
// any reordering, fused multiply-add or other sine changes every picture.
class TorusMap {
 public:
  static constexpr int32_t MaxDetail = 12;

  TorusMap();

  // One step of the map, wrapped back into [0, 1] x [0, 1]. Requires detail
  // in 0..MaxDetail.
  void iterate();

  // Brings a coordinate back into [0, 1]. Both tests are strict, so 1.0 stays
  // 1.0 and an exact negative integer becomes 1.0.
  static double wrapToTorus(double value);

  double x = 0.0;
  double y = 0.0;
  // The ten-digit decimal, not full-precision 2 pi: the pictures depend on it.
  double angleScale = 6.283185307;
  double linearCoefficient = 0.0;
  double offsetX = 0.0;
  double offsetY = 0.0;
  // Harmonics per coordinate; only the top-left detail x detail block of the
  // matrix is read.
  int32_t detail = 6;
  // Row i goes with the sine of harmonic i+1, column j with the cosine of
  // harmonic j+1.
  boost::multi_array<double, 2> coefficientMatrix;

 private:
  // Per-step scratch, kept here so that a step allocates nothing.
  static constexpr int WorkSize = 14;
  double xAngles[WorkSize] = {};
  double yAngles[WorkSize] = {};
  double sinX[WorkSize] = {};
  double cosY[WorkSize] = {};
  double sinY[WorkSize] = {};
  double cosX[WorkSize] = {};
};

}  // namespace marl

#endif  // MARL_ATTRACTOR_TORUS_MAP_H_
