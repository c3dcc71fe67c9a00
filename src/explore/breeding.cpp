#include "explore/breeding.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include <boost/random/normal_distribution.hpp>

#include "options/option_keys.h"

namespace marl {

namespace {

Child childOf(const PageRecipe& parent, const std::vector<double>& coefficients,
              std::string kind) {
  Child child{parent, std::move(kind)};
  child.recipe[key::Coefficients] = coefficientText(coefficients);
  return child;
}

}  // namespace

std::optional<std::vector<double>> coefficientsOf(const PageRecipe& recipe) {
  const auto found = recipe.find(key::Coefficients);
  if (found == recipe.end() || found->second.empty()) return std::nullopt;
  std::vector<double> values;
  const char* at = found->second.c_str();
  for (;;) {
    char* end = nullptr;
    const double v = std::strtod(at, &end);
    if (end == at || !std::isfinite(v)) return std::nullopt;
    values.push_back(v);
    if (*end == '\0') return values;
    if (*end != ',') return std::nullopt;
    at = end + 1;
  }
}

std::string coefficientText(const std::vector<double>& coefficients) {
  std::string text;
  char number[32];
  for (std::size_t i = 0; i < coefficients.size(); ++i) {
    std::snprintf(number, sizeof number, "%.17g", coefficients[i]);
    if (i) text += ',';
    text += number;
  }
  return text;
}

std::vector<Child> mutationsOf(const PageRecipe& parent, double step, int count,
                               boost::random::mt19937_64& random) {
  const std::optional<std::vector<double>> c = coefficientsOf(parent);
  if (!c) return {};
  boost::random::normal_distribution<double> normal;
  std::vector<Child> children;
  for (int i = 0; i < count; ++i) {
    // A normal vector, scaled to a length of step x sqrt(n): a direction
    // uniform over the sphere, each coefficient moved by `step` on average.
    std::vector<double> d(c->size());
    double length = 0.0;
    for (double& x : d) {
      x = normal(random);
      length += x * x;
    }
    length = std::sqrt(length);
    if (length == 0.0) continue;
    const double scale = step * std::sqrt(double(d.size())) / length;
    std::vector<double> moved = *c;
    for (std::size_t k = 0; k < moved.size(); ++k) moved[k] += d[k] * scale;
    children.push_back(childOf(parent, moved, "step"));
  }
  return children;
}

std::vector<Child> crossingsOf(const PageRecipe& a, const PageRecipe& b,
                               std::string& why) {
  const std::optional<std::vector<double>> ca = coefficientsOf(a);
  const std::optional<std::vector<double>> cb = coefficientsOf(b);
  if (!ca || !cb) {
    why = "both pictures must hold a map";
    return {};
  }
  const std::size_t n = ca->size();
  const std::size_t side = std::size_t(std::lround(std::sqrt(double(n))));
  if (cb->size() != n || side * side != n) {
    why = "the two maps have blocks of different sizes (detail=): only maps "
          "of one detail can be crossed";
    return {};
  }
  std::vector<Child> children;
  for (int percent : {25, 50, 75}) {
    const double t = percent / 100.0;
    std::vector<double> mixed(n);
    for (std::size_t k = 0; k < n; ++k)
      mixed[k] = (1.0 - t) * (*ca)[k] + t * (*cb)[k];
    children.push_back(childOf(a, mixed, "blend " + std::to_string(percent) + "%"));
  }
  // Block-wise: which parent gives the coefficient at row r, column c.
  struct Mix {
    const char* kind;
    bool (*fromB)(std::size_t r, std::size_t c, std::size_t side);
  };
  const Mix mixes[] = {
      {"rows", [](std::size_t r, std::size_t, std::size_t s) { return r >= s / 2; }},
      {"columns", [](std::size_t, std::size_t c, std::size_t s) { return c >= s / 2; }},
      {"checkerboard", [](std::size_t r, std::size_t c, std::size_t) { return (r + c) % 2 == 1; }},
  };
  for (const Mix& mix : mixes) {
    std::vector<double> mixed(n);
    for (std::size_t r = 0; r < side; ++r)
      for (std::size_t c = 0; c < side; ++c)
        mixed[r * side + c] = mix.fromB(r, c, side) ? (*cb)[r * side + c]
                                                     : (*ca)[r * side + c];
    children.push_back(childOf(a, mixed, mix.kind));
  }
  return children;
}

}  // namespace marl
