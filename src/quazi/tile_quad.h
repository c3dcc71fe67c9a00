#ifndef MARL_QUAZI_TILE_QUAD_H_
#define MARL_QUAZI_TILE_QUAD_H_

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
  TileQuad() = default;
  TileQuad(const double (&xs)[4], const double (&ys)[4]);

  // Replaces any earlier translation and recomputes the centre.
  void translate(double tx, double ty);
  // Replaces any earlier scale and keeps the current translation.
  void scale(double sx, double sy);
  // Each does nothing when its flag is clear. undoTranslate leaves the centre
  // as it was.
  void undoTranslate();
  void undoScale();

  double cornerX[4] = {0.0, 0.0, 0.0, 0.0};
  double cornerY[4] = {0.0, 0.0, 0.0, 0.0};
  bool scaled = false;
  bool translated = false;
  double scaleX = 1.0;
  double scaleY = 1.0;
  double shiftX = 0.0;
  double shiftY = 0.0;
  // Mean of the four corners as of the last translate; meaningless before.
  double centreX = 0.0;
  double centreY = 0.0;
};

}  // namespace marl

#endif  // MARL_QUAZI_TILE_QUAD_H_
