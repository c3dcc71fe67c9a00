#ifndef MARL_QUAZI_TILE_QUAD_H_
#define MARL_QUAZI_TILE_QUAD_H_

#include <type_traits>

namespace marl {

// A four-corner tile with a pending scale about the origin and a pending
// translation on top of it. The stored corners are always the corners as
// built, scaled by (scaleX, scaleY) and then moved by (shiftX, shiftY), so
// either can be replaced without keeping the original corners.
//
// Corner 1 lies one step from corner 0 along the first family's direction,
// corner 2 one step along the second's; corner 3 is opposite corner 0, so
// going round the tile is 0, 1, 3, 2.
struct TileQuad {
  // Holds no values: tiles are made in bulk and filled in place on several
  // threads (see QuaziTiling::buildTiles), so this writes nothing.
  TileQuad() = default;
  // The tile with these corners, neither scaled nor translated.
  TileQuad(const double (&xs)[4], const double (&ys)[4]);

  // Replaces any earlier translation and recomputes the centre.
  void translate(double tx, double ty);
  // Replaces any earlier scale and keeps the current translation.
  void scale(double sx, double sy);
  // Each does nothing when its flag is clear. undoTranslate leaves the centre
  // as it was.
  void undoTranslate();
  void undoScale();

  double cornerX[4];
  double cornerY[4];
  bool scaled;
  bool translated;
  double scaleX;
  double scaleY;
  double shiftX;
  double shiftY;
  // Mean of the four corners as of the last translate; meaningless before.
  double centreX;
  double centreY;
};

static_assert(std::is_trivially_default_constructible<TileQuad>::value,
              "tiles are made in bulk without being written");

}  // namespace marl

#endif  // MARL_QUAZI_TILE_QUAD_H_
