#include "job/picture_colours.h"

#include <utility>

#include "colour/colour_renderer.h"
#include "colour/density_filter.h"
#include "colour/gradient_renderer.h"

namespace marl {

CountColours countColours(const PicturePlan& plan, HitGrid& grid,
                          int depth) {
  const ColourSettings& c = plan.options.colour;
  uint32_t start = plan.startColour;
  uint32_t finish = plan.finishColour;
  if (!plan.palette && c.stops.empty() && c.blend == Blend::Rgb &&
      c.tone == Tone::Equalize && c.gamma == 1.0) {
    if (c.reverse) std::swap(start, finish);
    ColourRenderer renderer;
    renderer.buildPalette(grid, start, finish);
    return renderer.countColours(grid, depth);
  }
  GradientScheme scheme;
  if (plan.palette) {
    scheme.stops = plan.palette->stops;
  } else if (!c.stops.empty()) {
    for (uint32_t stop : c.stops) scheme.stops.push_back(rgbFromHex(stop));
  } else {
    scheme.stops = {rgbFromHex(start), rgbFromHex(finish)};
  }
  scheme.blend = c.blend;
  scheme.reverse = c.reverse;
  scheme.tone = c.tone;
  scheme.gamma = c.gamma;
  return gradientColours(grid, scheme, depth);
}

PictureColours colourHits(const PicturePlan& plan, HitGrid& grid,
                          bool forVideo) {
  const ColourSettings& c = plan.options.colour;
  if (c.filter == FilterKind::Density)
    estimateDensity(grid, c.density, plan.options.threads);
  PictureColours colours;
  colours.files = countColours(plan, grid, plan.options.depth);
  if (forVideo && plan.options.depth != 8)
    colours.video8 = countColours(plan, grid, 8);
  return colours;
}

}  // namespace marl
