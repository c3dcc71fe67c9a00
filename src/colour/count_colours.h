#ifndef MARL_COLOUR_COUNT_COLOURS_H_
#define MARL_COLOUR_COUNT_COLOURS_H_

#include <cstdint>
#include <vector>

#include "colour/tone_map.h"

namespace marl {

// How a cell's count finds its entry in a picture's table of colours.
struct CountEntry {
  enum class Kind {
    Scaled,  // the count times `scale`, truncated, at most `top`
    Binned,  // its countBin
  };
  Kind kind = Kind::Scaled;
  double scale = 1.0;
  uint32_t top = 0;

  uint32_t of(uint32_t count) const {
    if (kind == Kind::Binned) return countBin(count);
    const uint32_t index = static_cast<uint32_t>(double(count) * scale);
    return index > top ? top : index;
  }
};

// A picture's colour for every count a cell may hold, as tables built once
// for the picture, so that a cell costs one look-up. Either colouring fills
// them: the two-colour equalisation (ColourRenderer::countColours) or the
// gradients (gradientColours).
struct CountColours {
  CountEntry entry;
  // 0xAARRGGBB, the alpha byte ignored.
  std::vector<uint32_t> colours8;
  // 0xRRRRGGGGBBBB, for 16-bit pictures; empty when not asked for.
  std::vector<uint64_t> colours16;
};

}  // namespace marl

#endif  // MARL_COLOUR_COUNT_COLOURS_H_
