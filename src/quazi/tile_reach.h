#ifndef MARL_QUAZI_TILE_REACH_H_
#define MARL_QUAZI_TILE_REACH_H_

#include <array>
#include <cstddef>
#include <vector>

#include "quazi/line_family.h"

namespace marl {

// Where a picture shows the tiles: scaled about the origin by `scale`,
// moved by (shiftX, shiftY), each enlarged about its centre by
// 1 + separation, on a width x height canvas.
struct TileWindow {
  double scale = 1.0;
  double shiftX = 0.0;
  double shiftY = 0.0;
  double separation = 0.0;
  double width = 0.0;
  double height = 0.0;
};

// Tells, for a crossing of two families, whether its tile can show in the
// window, without summing the strip numbers of every other family as
// building the tile does. Each family's strip number is its position along
// the family's normal, an affine function of the crossing, floored: so the
// sum over all families lies within one unit a family of an affine function
// of the crossing, summed once for all of them. A tile is only said not to
// show when its whole reach, grown by that unit and a margin for rounding,
// lies outside the canvas; every tile that could be drawn is kept.
class TileReach {
 public:
  TileReach(const std::vector<LineFamily>& families, const TileWindow& window);

  // Whether the tile of families r < s crossing at (x, y), whose own
  // weights are ownR or ownR + 1 in family r and ownS or ownS + 1 in s,
  // may show in the window.
  bool mayShow(std::size_t r, std::size_t s, double x, double y, double ownR,
               double ownS) const;

 private:
  // Per family: its strip number is about alpha + beta x + gamma y, and its
  // weight moves a corner along (cos, sin) of its angle.
  struct Term {
    double alpha, beta, gamma;
    double direction[2];
  };
  // Sums over all families, per axis (x, y).
  struct Totals {
    double alpha = 0, beta = 0, gamma = 0;  // of the terms times direction
    double below = 0, above = 0;  // of the directions' negative, positive parts
    double size = 0;  // of |alpha| + |beta| + |gamma| times |direction|
  };

  std::vector<Term> terms_;
  std::array<Totals, 2> totals_;
  TileWindow window_;
};

}  // namespace marl

#endif  // MARL_QUAZI_TILE_REACH_H_
