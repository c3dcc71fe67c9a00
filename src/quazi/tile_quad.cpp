#include "quazi/tile_quad.h"

namespace marl {

TileQuad::TileQuad(const double (&xs)[4], const double (&ys)[4])
    : scaled(false),
      translated(false),
      scaleX(1.0),
      scaleY(1.0),
      shiftX(0.0),
      shiftY(0.0),
      centreX(0.0),
      centreY(0.0) {
  for (int k = 0; k < 4; ++k) {
    cornerX[k] = xs[k];
    cornerY[k] = ys[k];
  }
}

void TileQuad::translate(double tx, double ty) {
  if (translated) undoTranslate();
  shiftX = tx;
  shiftY = ty;
  centreX = 0.0;
  centreY = 0.0;
  for (int k = 0; k < 4; ++k) {
    cornerX[k] += tx;
    cornerY[k] += ty;
    centreX += cornerX[k];
    centreY += cornerY[k];
  }
  translated = true;
  centreX *= 0.25;
  centreY *= 0.25;
}

void TileQuad::undoTranslate() {
  if (!translated) return;
  for (int k = 0; k < 4; ++k) {
    cornerX[k] -= shiftX;
    cornerY[k] -= shiftY;
  }
  translated = false;
  shiftX = 0.0;
  shiftY = 0.0;
}

void TileQuad::scale(double sx, double sy) {
  const bool wasTranslated = translated;
  const double oldShiftX = shiftX;
  const double oldShiftY = shiftY;
  if (wasTranslated) undoTranslate();
  if (scaled) undoScale();
  scaleX = sx;
  scaleY = sy;
  for (int k = 0; k < 4; ++k) {
    cornerX[k] *= sx;
    cornerY[k] *= sy;
  }
  scaled = true;
  if (wasTranslated) translate(oldShiftX, oldShiftY);
}

void TileQuad::undoScale() {
  if (!scaled) return;
  // By the reciprocal, not by division: the two round differently and the
  // pixel corners depend on the bits.
  const double inverseX = 1 / scaleX;
  const double inverseY = 1 / scaleY;
  for (int k = 0; k < 4; ++k) {
    cornerX[k] *= inverseX;
    cornerY[k] *= inverseY;
  }
  scaled = false;
  scaleX = 1.0;
  scaleY = 1.0;
}

}  // namespace marl
