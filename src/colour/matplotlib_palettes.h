#ifndef MARL_COLOUR_MATPLOTLIB_PALETTES_H_
#define MARL_COLOUR_MATPLOTLIB_PALETTES_H_

#include <cstddef>

namespace marl {

// A colour map copied from another package: sRGB triples, reals 0..1, from
// the low end to the high.
struct ListedPalette {
  const char* name;
  const double (*stops)[3];
  std::size_t count;
  const char* licence;
};

// Made by scripts/extract-palettes.py into matplotlib_palettes.cpp.
extern const ListedPalette ListedPalettes[];
extern const std::size_t ListedPaletteCount;

}  // namespace marl

#endif  // MARL_COLOUR_MATPLOTLIB_PALETTES_H_
