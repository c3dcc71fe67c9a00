#include "colour/gradient.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace marl {

namespace {

double clampUnit(double position) {
  // NaN reads as 0.
  if (!(position > 0.0)) return 0.0;
  return position < 1.0 ? position : 1.0;
}

// (1 - t) a + t b gives a exactly at 0 and b exactly at 1.
double mix(double a, double b, double t) { return (1.0 - t) * a + t * b; }

}  // namespace

Gradient::Gradient(std::vector<Rgb> stops, Blend blend, bool reverse)
    : stops_(std::move(stops)), blend_(blend) {
  if (stops_.empty()) stops_.push_back(Rgb{});
  if (reverse) std::reverse(stops_.begin(), stops_.end());
  if (blend_ == Blend::Oklab) {
    for (const Rgb& stop : stops_) labs_.push_back(oklabFromSrgb(stop));
  }
}

Rgb Gradient::at(double position) const {
  const std::size_t last = stops_.size() - 1;
  if (last == 0) return stops_[0];
  const double x = clampUnit(position) * double(last);
  const std::size_t i = std::min(std::size_t(x), last - 1);
  const double t = x - double(i);
  // The stops themselves, unconverted: a stop keeps its exact value.
  if (t <= 0.0) return stops_[i];
  if (t >= 1.0) return stops_[i + 1];
  if (blend_ == Blend::Oklab) {
    const Oklab& a = labs_[i];
    const Oklab& b = labs_[i + 1];
    return srgbFromOklab({mix(a.L, b.L, t), mix(a.a, b.a, t), mix(a.b, b.b, t)});
  }
  const Rgb& a = stops_[i];
  const Rgb& b = stops_[i + 1];
  return {mix(a.r, b.r, t), mix(a.g, b.g, t), mix(a.b, b.b, t)};
}

GradientTable::GradientTable(const Gradient& gradient) {
  samples_.reserve(Segments + 1);
  for (int i = 0; i <= Segments; ++i)
    samples_.push_back(gradient.at(double(i) / double(Segments)));
}

Rgb GradientTable::at(double position) const {
  const double x = clampUnit(position) * double(Segments);
  const int i = std::min(int(x), Segments - 1);
  const double t = x - double(i);
  const Rgb& a = samples_[std::size_t(i)];
  const Rgb& b = samples_[std::size_t(i) + 1];
  return {mix(a.r, b.r, t), mix(a.g, b.g, t), mix(a.b, b.b, t)};
}

}  // namespace marl
