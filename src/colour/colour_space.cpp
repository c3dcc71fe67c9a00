#include "colour/colour_space.h"

#include <algorithm>
#include <cmath>

namespace marl {

namespace {

double linearFromSrgb(double c) {
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double srgbFromLinear(double c) {
  c = std::min(std::max(c, 0.0), 1.0);
  return c <= 0.0031308 ? 12.92 * c : 1.055 * std::pow(c, 1.0 / 2.4) - 0.055;
}

}  // namespace

// The matrices are Ottosson's, who defined OKLab (2020).
Oklab oklabFromSrgb(const Rgb& colour) {
  const double r = linearFromSrgb(colour.r);
  const double g = linearFromSrgb(colour.g);
  const double b = linearFromSrgb(colour.b);
  const double l = std::cbrt(0.4122214708 * r + 0.5363325363 * g + 0.0514459929 * b);
  const double m = std::cbrt(0.2119034982 * r + 0.6806995451 * g + 0.1073969566 * b);
  const double s = std::cbrt(0.0883024619 * r + 0.2817188376 * g + 0.6299787005 * b);
  return {0.2104542553 * l + 0.7936177850 * m - 0.0040720468 * s,
          1.9779984951 * l - 2.4285922050 * m + 0.4505937099 * s,
          0.0259040371 * l + 0.7827717662 * m - 0.8086757660 * s};
}

Rgb srgbFromOklab(const Oklab& colour) {
  const double l0 = colour.L + 0.3963377774 * colour.a + 0.2158037573 * colour.b;
  const double m0 = colour.L - 0.1055613458 * colour.a - 0.0638541728 * colour.b;
  const double s0 = colour.L - 0.0894841775 * colour.a - 1.2914855480 * colour.b;
  const double l = l0 * l0 * l0;
  const double m = m0 * m0 * m0;
  const double s = s0 * s0 * s0;
  return {srgbFromLinear(4.0767416621 * l - 3.3077115913 * m + 0.2309699292 * s),
          srgbFromLinear(-1.2684380046 * l + 2.6097574011 * m - 0.3413193965 * s),
          srgbFromLinear(-0.0041960863 * l - 0.7034186147 * m + 1.7076147010 * s)};
}

uint32_t quantiseChannel(double channel, uint32_t maxValue) {
  // Also catches NaN, which fails every comparison.
  if (!(channel > 0.0)) return 0;
  if (channel >= 1.0) return maxValue;
  return uint32_t(std::lround(channel * double(maxValue)));
}

uint32_t packArgb8(const Rgb& colour) {
  return 0xFF000000u | quantiseChannel(colour.r, 255) << 16 |
         quantiseChannel(colour.g, 255) << 8 | quantiseChannel(colour.b, 255);
}

Rgb rgbFromHex(uint32_t rrggbb) {
  return {double((rrggbb >> 16) & 0xFF) / 255.0,
          double((rrggbb >> 8) & 0xFF) / 255.0, double(rrggbb & 0xFF) / 255.0};
}

}  // namespace marl
