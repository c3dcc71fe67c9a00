#ifndef MARL_COLOUR_COLOUR_RENDERER_H_
#define MARL_COLOUR_COLOUR_RENDERER_H_

#include <cstdint>
#include <vector>

#include "attractor/hit_grid.h"
#include "colour/count_colours.h"

namespace marl {

// One colour channel along the gradient: its values at the start, middle and
// finish points. The caller fills start and finish; fillGradientSegment
// writes the middle.
struct ChannelTriple {
  double start = 0.0;
  double middle = 0.0;
  double finish = 0.0;
};

// Positions p0 < p1 < p2 on the cumulative-fraction axis where the curve
// takes the start, middle and finish values.
struct GradientPoints {
  double p0 = 0.0;
  double p1 = 0.0;
  double p2 = 0.0;
};

// Colours a hit grid by histogram equalisation: counts are binned relative
// to maxCount, and each bin is coloured at the share of cells in it or in a
// lower bin, so colours spread evenly over the cells rather than the counts.
// Every step keeps its exact order of double operations: the channel values
// are truncated, so the last bit shows in the picture.
class ColourRenderer {
 public:
  static constexpr int PaletteSize = 12000;
  // Highest bin a count can reach; the top bin is never used.
  static constexpr int TopBin = PaletteSize - 2;

  ColourRenderer();

  // Refreshes the grid's count range, then sets countHistogram[k] to the
  // share of the counted square whose bin is k. All zero when the grid is
  // empty.
  void buildCountHistogram(HitGrid& grid);

  // Fits one quadratic per channel through (p0, start), (p1, middle),
  // (p2, finish) and colours palette entries from nextIndex on, each at the
  // running fraction after its own histogram entry is added. Stops after the
  // first entry whose fraction passes p2, or before entry 11999. Leaves in
  // nextIndex the first entry not written and returns the fraction reached.
  double fillGradientSegment(ChannelTriple& red, ChannelTriple& green,
                             ChannelTriple& blue, const GradientPoints& points,
                             double startFraction, int& nextIndex);

  // Rewrites palette entries 0 to 11998 for the grid and the two packed
  // 0xAARRGGBB colours.
  void buildPalette(HitGrid& grid, uint32_t startColour, uint32_t finishColour);

  // What turns a cell's count into its palette entry: entryFor(count,
  // countScale(grid)) after the palette is built for `grid`.
  static double countScale(const HitGrid& grid);
  static uint32_t entryFor(uint32_t count, double scale) {
    const uint32_t index =
        static_cast<uint32_t>(static_cast<double>(count) * scale);
    return index > static_cast<uint32_t>(TopBin) ? TopBin : index;
  }
  // The palette, once built for `grid`, as the picture's count colours,
  // entries found as entryFor finds them; the 16-bit palette too for
  // `depth` 16.
  CountColours countColours(const HitGrid& grid, int depth) const;

  std::vector<uint32_t> palette;
  // The same gradient at 16 bits a channel, 0xRRRRGGGGBBBB, written beside
  // `palette`: each channel is the curve's value scaled to 0..65535 before
  // it is truncated, not the 8-bit value widened.
  std::vector<uint64_t> deepPalette;
  std::vector<double> countHistogram;
  // Widths of the two halves of the gradient, in percent of the cumulative
  // range.
  double lowerSpanPercent = 50.0;
  double upperSpanPercent = 50.0;
};

}  // namespace marl

#endif  // MARL_COLOUR_COLOUR_RENDERER_H_
