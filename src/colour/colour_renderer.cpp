#include "colour/colour_renderer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace marl {

namespace {

// Bins are spread over [0, BinScale) of the normalised count.
constexpr double BinScale = 11999.0;
// The last entry the palette walk may write.
constexpr int PaletteEnd = 11999;

// Truncates |v| and keeps the low 8 bits, unclamped: a value of 256 wraps
// to 0, as the colouring always has. Values beyond 32 bits or not finite
// only come from degenerate gradient points; they are folded so the
// conversion stays defined.
uint32_t channelByte(double v) {
  double a = std::fabs(v);
  if (!std::isfinite(a)) return 0;
  if (a >= 4294967296.0) a = std::fmod(a, 256.0);
  return static_cast<uint32_t>(a) & 0xFFu;
}

// channelByte at 16 bits: the value is scaled from 0..255 to 0..65535
// first, so the bits below the 8-bit value are the curve's own.
uint64_t channelWord(double v) {
  double a = std::fabs(v) * 257.0;
  if (!std::isfinite(a)) return 0;
  if (a >= 4294967296.0) a = std::fmod(a, 65536.0);
  return static_cast<uint64_t>(static_cast<uint32_t>(a) & 0xFFFFu);
}

// The parabola v(X) = (a2 X^2 + a1 X) + a0 of one channel.
struct Curve {
  double a0, a1, a2;

  double at(double x) const {
    const double xx = x * x;
    return (a2 * xx + a1 * x) + a0;
  }
};

}  // namespace

ColourRenderer::ColourRenderer()
    : palette(PaletteSize, 0u),
      deepPalette(PaletteSize, 0u),
      countHistogram(PaletteSize, 0.0) {}

void ColourRenderer::buildCountHistogram(HitGrid& grid) {
  grid.refreshCountRange();
  std::fill(countHistogram.begin(), countHistogram.end(), 0.0);
  const double m = static_cast<double>(grid.maxCount);
  if (m < 1.0) return;

  double total = 0.0;
  const uint32_t side = grid.size();
  for (uint32_t y = 0; y < side; ++y) {
    const uint32_t* cells = grid.row(y);
    for (uint32_t x = 0; x < side; ++x) {
      // A true division, not a multiply by 1/m: the bin edges depend on it.
      double ratio = static_cast<double>(cells[x]) / m;
      // Keeps the maximum out of the top bin.
      if (ratio > 0.99999999) ratio = 0.999999999;
      const int bin = static_cast<int>(ratio * BinScale);
      countHistogram[bin] += 1.0;
      total += 1.0;
    }
  }
  for (double& share : countHistogram) share /= total;
}

double ColourRenderer::fillGradientSegment(
    ChannelTriple& red, ChannelTriple& green, ChannelTriple& blue,
    const GradientPoints& points, double startFraction, int& nextIndex) {
  ChannelTriple* channels[3] = {&red, &green, &blue};
  for (ChannelTriple* c : channels) c->middle = (c->start + c->finish) * 0.5;

  const double p0 = points.p0, p1 = points.p1, p2 = points.p2;
  const double s0 = p0 * p0;
  const double s1 = p1 * p1;
  const double s2 = p2 * p2;
  // The guards keep degenerate points from dividing by zero.
  double g = s2;
  if (s2 == s0) g = s2 + 0.01;
  double l = (s1 - g) / (s0 - g);
  if (l == 0.0) l = 0.001;
  double r = p0 - p2;
  if (r == 0.0) r = 0.001;
  double q = p1 - p2;
  if (q == 0.0) q = 0.001;
  // l above was formed before this replacement, on purpose.
  double u = s0 - g;
  if (u == 0.0) u = 0.001;
  double t = r * l - q;
  if (t == 0.0) t = 0.001;

  Curve curves[3];
  for (int k = 0; k < 3; ++k) {
    const double s = channels[k]->start;
    const double m = channels[k]->middle;
    const double f = channels[k]->finish;
    const double d = s - f;
    const double a1 = (d * l - (m - f)) / t;
    const double a2 = (d - a1 * r) / u;
    const double a0 = (s - p0 * a1) - a2 * s0;
    curves[k] = Curve{a0, a1, a2};
  }

  double x = startFraction;
  if (x > p2) return x;
  int i = nextIndex;
  while (i < PaletteEnd) {
    // Entry i takes the colour at the share of cells in bins 0 to i.
    x = x + countHistogram[i];
    const uint32_t rb = channelByte(curves[0].at(x));
    const uint32_t gb = channelByte(curves[1].at(x));
    const uint32_t bb = channelByte(curves[2].at(x));
    palette[i] = 0xFF000000u | rb << 16 | gb << 8 | bb;
    deepPalette[i] = channelWord(curves[0].at(x)) << 32 |
                     channelWord(curves[1].at(x)) << 16 |
                     channelWord(curves[2].at(x));
    ++i;
    if (x > p2) break;
  }
  nextIndex = i;
  return x;
}

void ColourRenderer::buildPalette(HitGrid& grid, uint32_t startColour,
                                  uint32_t finishColour) {
  GradientPoints points;
  points.p0 = 0.00001 + 0.0;
  points.p1 = points.p0 + lowerSpanPercent * 0.01;
  points.p2 = points.p1 + upperSpanPercent * 0.01;

  // Refreshes the count range itself before it reads the grid.
  buildCountHistogram(grid);

  auto channel = [](uint32_t from, uint32_t to, int shift) {
    ChannelTriple c;
    c.start = static_cast<double>((from >> shift) & 0xFFu);
    c.finish = static_cast<double>((to >> shift) & 0xFFu);
    return c;
  };
  ChannelTriple red = channel(startColour, finishColour, 16);
  ChannelTriple green = channel(startColour, finishColour, 8);
  ChannelTriple blue = channel(startColour, finishColour, 0);
  int next = 0;
  fillGradientSegment(red, green, blue, points, 0.0, next);
}

double ColourRenderer::countScale(const HitGrid& grid) {
  return grid.maxCount == 0 ? 1.0
                            : BinScale / static_cast<double>(grid.maxCount);
}

CountColours ColourRenderer::countColours(const HitGrid& grid,
                                          int depth) const {
  CountColours colours;
  colours.entry.kind = CountEntry::Kind::Scaled;
  colours.entry.scale = countScale(grid);
  colours.entry.top = TopBin;
  colours.colours8 = palette;
  if (depth == 16) colours.colours16 = deepPalette;
  return colours;
}

}  // namespace marl
