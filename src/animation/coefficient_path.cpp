#include "animation/coefficient_path.h"

#include <algorithm>
#include <cmath>

#include <boost/random/mersenne_twister.hpp>
#include <boost/random/normal_distribution.hpp>

namespace marl {

namespace {

constexpr double TwoPi = 6.283185307179586;

double dot(const Coefficients& a, const Coefficients& b) {
  double sum = 0.0;
  for (std::size_t i = 0; i < a.size(); ++i) sum += a[i] * b[i];
  return sum;
}

void scale(Coefficients& a, double factor) {
  for (double& x : a) x *= factor;
}

}  // namespace

LoopPlane loopPlane(uint32_t seed, std::size_t dimension) {
  // A generator of the plane's own: the plane is one number in a recipe,
  // and the run's random source has only drawn that number.
  boost::random::mt19937 engine(seed);
  boost::random::normal_distribution<double> normal;
  LoopPlane plane;
  for (Coefficients* direction : {&plane.u, &plane.v}) {
    direction->resize(dimension);
    for (double& x : *direction) x = normal(engine);
  }
  scale(plane.u, 1.0 / std::sqrt(dot(plane.u, plane.u)));
  const double along = dot(plane.u, plane.v);
  for (std::size_t i = 0; i < dimension; ++i) plane.v[i] -= along * plane.u[i];
  scale(plane.v, 1.0 / std::sqrt(dot(plane.v, plane.v)));
  return plane;
}

CoefficientPath CoefficientPath::loop(const Coefficients& start,
                                      double radius, const LoopPlane& plane) {
  CoefficientPath path;
  path.keys_ = {start};
  path.radius_ = radius * std::sqrt(dot(start, start));
  path.plane_ = plane;
  return path;
}

CoefficientPath CoefficientPath::morph(const std::vector<Coefficients>& keys) {
  CoefficientPath path;
  path.keys_ = keys;
  return path;
}

int32_t CoefficientPath::stretches() const {
  return plane_.u.empty() ? int32_t(keys_.size()) : 1;
}

int32_t CoefficientPath::stretchAt(double t) const {
  const int32_t n = stretches();
  return std::clamp(int32_t(std::floor(t * n)), 0, n - 1);
}

Coefficients CoefficientPath::at(double t) const {
  if (!plane_.u.empty()) {
    // At t = 0 both terms are exactly 0: the first frame is the job's map.
    const double a = std::cos(TwoPi * t) - 1.0;
    const double b = std::sin(TwoPi * t);
    Coefficients c = keys_[0];
    for (std::size_t i = 0; i < c.size(); ++i)
      c[i] += radius_ * (a * plane_.u[i] + b * plane_.v[i]);
    return c;
  }
  const std::size_t n = keys_.size();
  const int32_t stretch = stretchAt(t);
  const double u = t * double(n) - double(stretch);
  const Coefficients& p0 = keys_[(stretch + n - 1) % n];
  const Coefficients& p1 = keys_[std::size_t(stretch)];
  const Coefficients& p2 = keys_[(stretch + 1) % n];
  const Coefficients& p3 = keys_[(stretch + 2) % n];
  Coefficients c(p1.size());
  for (std::size_t i = 0; i < c.size(); ++i) {
    // At u = 0 every term but 2 p1 is 0: each keyframe is met exactly.
    c[i] = 0.5 * (2.0 * p1[i] + (p2[i] - p0[i]) * u +
                  (2.0 * p0[i] - 5.0 * p1[i] + 4.0 * p2[i] - p3[i]) * u * u +
                  (3.0 * p1[i] - p0[i] - 3.0 * p2[i] + p3[i]) * u * u * u);
  }
  return c;
}

}  // namespace marl
