#include "quazi/quazi_tiling.h"

#include <cmath>

#include "attractor/random_source.h"

namespace marl {

namespace {

// Whether truncating v toward zero gives a value of int32_t; false for NaN
// and infinities, so that no out-of-range conversion is ever made.
bool truncationFitsInt32(double v) {
  return v > -2147483649.0 && v < 2147483648.0;
}

std::vector<double> drawUnits(uint32_t count) {
  std::vector<double> units;
  units.reserve(count);
  for (uint32_t j = 0; j < count; ++j) units.push_back(drawUnit());
  return units;
}

}  // namespace

QuaziTiling::QuaziTiling(double baseSpacing, uint32_t familyCount,
                         uint32_t linesPerFamily)
    : QuaziTiling(baseSpacing, drawUnits(familyCount), linesPerFamily) {}

QuaziTiling::QuaziTiling(double baseSpacing,
                         const std::vector<double>& unitDraws,
                         uint32_t linesPerFamily)
    : familyCount_(static_cast<uint32_t>(unitDraws.size())),
      // Ten digits only, not 2 pi: the angles depend on this constant.
      angleStep_(6.283185307 / familyCount_),
      linesPerFamily_(linesPerFamily) {
  buildFamilies(baseSpacing, unitDraws);
}

void QuaziTiling::buildFamilies(double baseSpacing,
                                const std::vector<double>& unitDraws) {
  families_.reserve(familyCount_);
  for (uint32_t j = 0; j < familyCount_; ++j) {
    const double spacing = baseSpacing + baseSpacing * unitDraws[j];
    // The 0.01 keeps every family off the vertical, so slopes stay finite.
    const double angle = static_cast<int32_t>(j) * angleStep_ + 0.01;
    families_.emplace_back(angle, spacing, static_cast<int32_t>(j),
                           static_cast<int32_t>(linesPerFamily_));
  }
}

void QuaziTiling::buildTiles() {
  const std::size_t n = familyCount_;
  const int32_t c = static_cast<int32_t>(linesPerFamily_);
  if (n < 2 || c < 1) return;
  tiles_.reserve(tiles_.size() + std::size_t(c) * c * (n * (n - 1) / 2));

  // What the strip lookup needs of each family, side by side for the inner
  // loop. Each value is formed exactly as the lookup would form it, so the
  // results are bit for bit the same.
  std::vector<double> offset(n), slope(n), normalDivisor(n), halfWidth(n),
      spacing(n), cosAngle(n), sinAngle(n);
  for (std::size_t j = 0; j < n; ++j) {
    const LineFamily& f = families_[j];
    offset[j] = f.offset;
    slope[j] = f.slope;
    normalDivisor[j] = f.sinNormal - f.cosNormal * f.slope;
    halfWidth[j] = (f.lineCount / 2) * f.spacing;
    spacing[j] = f.spacing;
    cosAngle[j] = f.cosAngle;
    sinAngle[j] = f.sinAngle;
  }

  // Strip number + 1 of the crossing in every family, as a double: for the
  // crossings of antiparallel families it lies far beyond the int range, and
  // the tile is then dropped when drawn rather than converted here.
  std::vector<double> weight(n);
  for (std::size_t r = 0; r + 1 < n; ++r) {
    for (std::size_t s = r + 1; s < n; ++s) {
      const std::vector<GridLine>& linesR = families_[r].lines;
      const std::vector<GridLine>& linesS = families_[s].lines;
      for (int32_t i = 0; i < c; ++i) {
        const GridLine& b = linesS[i];
        for (int32_t l = 0; l < c; ++l) {
          const GridLine& a = linesR[l];
          const double x = (a.intercept - b.intercept) / (b.slope - a.slope);
          const double y = x * a.slope + a.intercept;
          for (std::size_t j = 0; j < n; ++j) {
            if (j == r || j == s) continue;
            const double t =
                ((y - offset[j]) - (x - offset[j]) * slope[j]) /
                normalDivisor[j];
            // A point exactly on line k counts in strip k + 1.
            weight[j] = std::floor((halfWidth[j] + t) / spacing[j]) + 1.0 + 1.0;
          }
          // Corners 0..3 take lines (l, i), (l+1, i), (l, i+1), (l+1, i+1)
          // of families r and s; every other family is the same for all four.
          double xs[4];
          double ys[4];
          for (int v = 0; v < 4; ++v) {
            weight[r] = static_cast<double>(l + (v & 1) + 1);
            weight[s] = static_cast<double>(i + (v >> 1) + 1);
            double sumX = 0.0;
            double sumY = 0.0;
            for (std::size_t j = 0; j < n; ++j) {
              sumX += weight[j] * cosAngle[j];
              sumY += weight[j] * sinAngle[j];
            }
            xs[v] = sumX;
            ys[v] = sumY;
          }
          tiles_.emplace_back(xs, ys);
        }
      }
    }
  }
}

void QuaziTiling::scaleTiles(double factor) {
  const double s = viewScale_ * factor;
  for (TileQuad& tile : tiles_) tile.scale(s, s);
}

void QuaziTiling::translateTiles() {
  for (TileQuad& tile : tiles_) tile.translate(shiftX_, shiftY_);
}

bool QuaziTiling::enlargedCorner(std::size_t index, int corner, double* x,
                                 double* y) const {
  if (index >= tiles_.size() || corner < 0 || corner > 3) return false;
  const TileQuad& tile = tiles_[index];
  const double grow = separation_ + 1.0;
  *x = tile.centreX + (tile.cornerX[corner] - tile.centreX) * grow;
  *y = tile.centreY + (tile.cornerY[corner] - tile.centreY) * grow;
  return true;
}

PixelPoint QuaziTiling::tileCorner(std::size_t index, int corner) const {
  double x;
  double y;
  if (!enlargedCorner(index, corner, &x, &y) || !truncationFitsInt32(x) ||
      !truncationFitsInt32(y)) {
    return PixelPoint{0, 0};
  }
  return PixelPoint{static_cast<int32_t>(x), static_cast<int32_t>(y)};
}

bool QuaziTiling::tileFits(std::size_t index) const {
  for (int corner = 0; corner < 4; ++corner) {
    double x;
    double y;
    if (!enlargedCorner(index, corner, &x, &y) || !truncationFitsInt32(x) ||
        !truncationFitsInt32(y)) {
      return false;
    }
  }
  return true;
}

}  // namespace marl
