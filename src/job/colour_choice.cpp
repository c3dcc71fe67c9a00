// Which colouring a picture gets: today's two-colour equalisation, kept bit
// for bit, unless a palette, more stops, OKLab blending or another tone
// curve is asked for.
#include <utility>

#include "job/picture_job.h"
#include "colour/colour_renderer.h"
#include "colour/gradient_renderer.h"

namespace marl {

void PictureJob::takeNamedPalette() {
  const std::string& name = settings_.colour.palette;
  if (name.empty() || name == "random") return;
  parameters_.palette = findPalette(name);
  if (!parameters_.palette) return;
  // The echo and the recipe's R0..B1 show the palette's two ends.
  parameters_.startColour = packArgb8(parameters_.palette->stops.front());
  parameters_.finishColour = packArgb8(parameters_.palette->stops.back());
}

void PictureJob::takeRandomPalette() {
  if (settings_.colour.palette == "random")
    parameters_.palette = &paletteForNumber(start_.imageNumber);
}

CountColours PictureJob::countColours(int depth) {
  const ColourSettings& c = settings_.colour;
  uint32_t start = parameters_.startColour;
  uint32_t finish = parameters_.finishColour;
  if (!parameters_.palette && c.stops.empty() && c.blend == Blend::Rgb &&
      c.tone == Tone::Equalize && c.gamma == 1.0) {
    if (c.reverse) std::swap(start, finish);
    ColourRenderer renderer;
    renderer.buildPalette(grid_, start, finish);
    return renderer.countColours(grid_, depth);
  }
  GradientScheme scheme;
  if (parameters_.palette) {
    scheme.stops = parameters_.palette->stops;
  } else if (!c.stops.empty()) {
    for (uint32_t stop : c.stops) scheme.stops.push_back(rgbFromHex(stop));
  } else {
    scheme.stops = {rgbFromHex(start), rgbFromHex(finish)};
  }
  scheme.blend = c.blend;
  scheme.reverse = c.reverse;
  scheme.tone = c.tone;
  scheme.gamma = c.gamma;
  return gradientColours(grid_, scheme, depth);
}

}  // namespace marl
