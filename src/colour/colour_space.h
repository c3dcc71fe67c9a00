#ifndef MARL_COLOUR_COLOUR_SPACE_H_
#define MARL_COLOUR_COLOUR_SPACE_H_

#include <cstdint>

namespace marl {

// A colour as its sRGB-encoded channels, each 0..1: the values a picture
// stores, before they are quantised to 8 or 16 bits.
struct Rgb {
  double r = 0.0;
  double g = 0.0;
  double b = 0.0;
};

// A colour in the OKLab perceptual space: lightness L and the two opponent
// axes a (green-red) and b (blue-yellow).
struct Oklab {
  double L = 0.0;
  double a = 0.0;
  double b = 0.0;
};

Oklab oklabFromSrgb(const Rgb& colour);
// Colours outside the sRGB gamut are clipped channel by channel in linear
// light, then encoded.
Rgb srgbFromOklab(const Oklab& colour);

// A channel 0..1 as a whole number 0..maxValue (255 for 8 bits, 65535 for
// 16), rounded to nearest; values beyond 0..1 clamp.
uint32_t quantiseChannel(double channel, uint32_t maxValue);
// Opaque 0xFFRRGGBB, each channel quantised from the double.
uint32_t packArgb8(const Rgb& colour);
// 0xRRGGBB (any top byte ignored) as exact channels k / 255.
Rgb rgbFromHex(uint32_t rrggbb);

}  // namespace marl

#endif  // MARL_COLOUR_COLOUR_SPACE_H_
