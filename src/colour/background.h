#ifndef MARL_COLOUR_BACKGROUND_H_
#define MARL_COLOUR_BACKGROUND_H_

#include <cstdint>

namespace marl {

// What becomes of the cells no orbit visited.
struct Background {
  enum Kind {
    AsPainted,    // the gradient's colour for a count of 0, as always
    Transparent,  // alpha 0 (only where the picture has alpha)
    Colour,       // `colour`, opaque
  };
  Kind kind = AsPainted;
  uint32_t colour = 0;  // 0xRRGGBB
};

}  // namespace marl

#endif  // MARL_COLOUR_BACKGROUND_H_
