#include "colour/gradient_renderer.h"

#include <algorithm>

namespace marl {

CountColours binColours(const std::vector<uint64_t>& histogram,
                        const GradientScheme& scheme, int depth) {
  const std::vector<double> position =
      tonePositions(histogram, scheme.tone, scheme.gamma);
  const GradientTable gradient(
      Gradient(scheme.stops, scheme.blend, scheme.reverse));
  CountColours colours;
  colours.entry.kind = CountEntry::Kind::Binned;
  colours.colours8.assign(histogram.size(), 0u);
  if (depth == 16) colours.colours16.assign(histogram.size(), 0u);
  for (std::size_t b = 0; b < histogram.size(); ++b) {
    if (histogram[b] == 0) continue;
    const Rgb colour = gradient.at(position[b]);
    colours.colours8[b] = packArgb8(colour);
    if (depth == 16) {
      colours.colours16[b] = uint64_t(quantiseChannel(colour.r, 65535)) << 32 |
                             uint64_t(quantiseChannel(colour.g, 65535)) << 16 |
                             quantiseChannel(colour.b, 65535);
    }
  }
  return colours;
}

CountColours gradientColours(const HitGrid& grid, const GradientScheme& scheme,
                             int depth) {
  return binColours(binHistogram(grid), scheme, depth);
}

void renderGradientToBitmap(Bitmap& bitmap, const HitGrid& grid,
                            const GradientScheme& scheme) {
  if (!bitmap.ok()) return;
  const std::vector<uint32_t> colours =
      gradientColours(grid, scheme, 8).colours8;
  const int64_t side = grid.size();
  const int height = int(std::min<int64_t>(bitmap.height(), side));
  const int width = int(std::min<int64_t>(bitmap.width(), side));
  // Cairo may hold drawing not yet in the buffer; settle it before the
  // pixels are written directly, and tell it afterwards.
  cairo_surface_flush(bitmap.surface());
  for (int y = 0; y < height; ++y) {
    const uint32_t* cells = grid.row(uint32_t(y));
    uint32_t* pixels = bitmap.row(y);
    for (int x = 0; x < width; ++x) pixels[x] = colours[countBin(cells[x])];
  }
  cairo_surface_mark_dirty(bitmap.surface());
}

}  // namespace marl
