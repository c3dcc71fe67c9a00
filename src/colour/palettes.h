#ifndef MARL_COLOUR_PALETTES_H_
#define MARL_COLOUR_PALETTES_H_

#include <cstdint>
#include <string>
#include <vector>

#include "colour/colour_space.h"

namespace marl {

// A named gradient marl knows: evenly spaced stops from the colour of the
// emptiest cells to the fullest.
struct Palette {
  std::string name;
  std::vector<Rgb> stops;
  std::string origin;  // where the stops come from, and under which licence
};

// Every built-in palette: the scientific maps first, then our own designs.
const std::vector<Palette>& builtInPalettes();

// The palette called `name`; nullptr when there is none.
const Palette* findPalette(const std::string& name);

// Up to three palette names nearest to `name` by edit distance, nearest
// first, for a warning about a name that is not in the table.
std::vector<std::string> nearestPaletteNames(const std::string& name);

// The palette palette=random gives the picture numbered `number`: the
// same number always gives the same palette, and numbers in a row run
// through all of them.
const Palette& paletteForNumber(int32_t number);

}  // namespace marl

#endif  // MARL_COLOUR_PALETTES_H_
