#ifndef MARL_QUAZI_QUAZI_IMAGE_H_
#define MARL_QUAZI_QUAZI_IMAGE_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "quazi/quazi_tiling.h"

namespace marl {

// A job's settings for the quazi-crystal picture.
struct QuaziSettings {
  int32_t qline;   // line families, 5 to 42
  int32_t qsize;   // side of the picture in pixels
  int32_t qx;      // pixel where the tiling's origin lands
  int32_t qy;
  double qscale;   // view scale; a rhombus side is qscale * (2 * side - 2)
  double qsep;     // enlargement of every tile about its centre
};

// Puts built tiles into the view: scaled about the origin by
// qscale * (2 * attractorSide - 2), moved to (qx, qy), enlarged by 1 + qsep;
// on up to `threads` threads.
void placeTiles(QuaziTiling* tiling, const QuaziSettings& settings,
                int attractorSide, unsigned threads = 1);

// The tiling of `settings` from the given spacing draws (one per family:
// qline of them), built and placed for an attractor picture of side
// `attractorSide` on up to `threads` threads; nullopt with the reason in
// `error` when the settings make no picture.
std::optional<QuaziTiling> placedTiling(const QuaziSettings& settings,
                                        const std::vector<double>& spacingUnits,
                                        int attractorSide, unsigned threads,
                                        std::string& error);

}  // namespace marl

#endif  // MARL_QUAZI_QUAZI_IMAGE_H_
