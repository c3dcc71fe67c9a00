#ifndef MARL_ANIMATION_COEFFICIENT_PATH_H_
#define MARL_ANIMATION_COEFFICIENT_PATH_H_

#include <cstdint>
#include <vector>

namespace marl {

// A coefficient block, row by row, as one point of coefficient space.
using Coefficients = std::vector<double>;

// Two orthonormal directions of coefficient space that span a loop's plane.
struct LoopPlane {
  Coefficients u;
  Coefficients v;
};

// The plane numbered `seed`: two directions drawn uniformly (normal
// deviates from a generator of its own, seeded with `seed`, made
// orthonormal), so that a recipe holds one whole number for it.
LoopPlane loopPlane(uint32_t seed, std::size_t dimension);

// A closed path through coefficient space, walked once as t goes from 0 to
// 1, where it is back at its start. At t = 0 it is at the job's own map.
class CoefficientPath {
 public:
  // The circle of radius `radius` times the norm of `start` in `plane`,
  // through `start`: c(t) = start + r ((cos 2 pi t - 1) u + sin 2 pi t v).
  static CoefficientPath loop(const Coefficients& start, double radius,
                              const LoopPlane& plane);
  // The closed uniform Catmull-Rom spline through the keys in turn and back
  // to the first, key i at t = i / keys.size(); at least one key.
  static CoefficientPath morph(const std::vector<Coefficients>& keys);

  Coefficients at(double t) const;
  // The stretch t lies on: 0 on a loop; i between key i and key i + 1
  // (the last stretch leads back to key 0).
  int32_t stretchAt(double t) const;
  int32_t stretches() const;

 private:
  CoefficientPath() = default;

  std::vector<Coefficients> keys_;  // the start only, for a loop
  double radius_ = 0.0;             // the loop's, in coefficient units
  LoopPlane plane_;
};

}  // namespace marl

#endif  // MARL_ANIMATION_COEFFICIENT_PATH_H_
