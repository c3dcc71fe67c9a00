#include "quazi/tile_reach.h"

#include <algorithm>
#include <cmath>

#include "quazi/tile_brush.h"

namespace marl {

namespace {

// Pixels beyond the canvas a tile may reach and still be drawn: the slit
// cover, a pixel of truncation, and room to spare.
constexpr double PixelMargin = SlitCover + 3.0;
// Relative rounding allowed between the affine sums here and the tile's own
// sum, far above what either can lose.
constexpr double Rounding = 1e-9;

}  // namespace

TileReach::TileReach(const std::vector<LineFamily>& families,
                     const TileWindow& window)
    : window_(window) {
  terms_.reserve(families.size());
  for (const LineFamily& f : families) {
    // A tile weighs the family with its strip number + 1, that is
    // floor(u) + 2 for u the position along the normal over the spacing,
    // from the first line (LineFamily::stripIndex before its floor): so the
    // weight lies in (u + 1, u + 2], and v = u + 1 is the term's value.
    const double across = (f.sinNormal - f.cosNormal * f.slope) * f.spacing;
    Term t{};
    t.alpha = (f.lineCount / 2) + 1.0 + (f.offset * f.slope - f.offset) / across;
    t.beta = -f.slope / across;
    t.gamma = 1.0 / across;
    t.direction[0] = f.cosAngle;
    t.direction[1] = f.sinAngle;
    terms_.push_back(t);
    for (int k = 0; k < 2; ++k) {
      const double d = t.direction[k];
      Totals& sum = totals_[std::size_t(k)];
      sum.alpha += t.alpha * d;
      sum.beta += t.beta * d;
      sum.gamma += t.gamma * d;
      sum.below += std::min(d, 0.0);
      sum.above += std::max(d, 0.0);
      sum.size += (std::fabs(t.alpha) + std::fabs(t.beta) + std::fabs(t.gamma)) *
                  std::fabs(d);
    }
  }
}

bool TileReach::mayShow(std::size_t r, std::size_t s, double x, double y,
                        double ownR, double ownS) const {
  if (!(window_.scale > 0.0)) return true;
  const Term& a = terms_[r];
  const Term& b = terms_[s];
  const double origin[2] = {window_.shiftX, window_.shiftY};
  const double extent[2] = {window_.width, window_.height};
  for (int k = 0; k < 2; ++k) {
    const Totals& sum = totals_[std::size_t(k)];
    const double da = a.direction[k];
    const double db = b.direction[k];
    // Every family but r and s: its weight lies in (v, v + 1].
    const double shared =
        sum.alpha + sum.beta * x + sum.gamma * y -
        (a.alpha + a.beta * x + a.gamma * y) * da -
        (b.alpha + b.beta * x + b.gamma * y) * db;
    const double slack =
        1.0 + Rounding * sum.size * (1.0 + std::fabs(x) + std::fabs(y));
    double lo = shared + sum.below - std::min(da, 0.0) - std::min(db, 0.0) -
                slack;
    double hi = shared + sum.above - std::max(da, 0.0) - std::max(db, 0.0) +
                slack;
    // Families r and s weigh the corners with their own line numbers.
    const double own[4] = {ownR * da + ownS * db, (ownR + 1) * da + ownS * db,
                           ownR * da + (ownS + 1) * db,
                           (ownR + 1) * da + (ownS + 1) * db};
    lo += *std::min_element(own, own + 4);
    hi += *std::max_element(own, own + 4);
    // The enlargement moves a corner away from the centre, which lies
    // within the same reach, by at most `separation` of its width.
    const double grow = window_.separation * (hi - lo);
    const double first = (lo - grow) * window_.scale + origin[k];
    const double last = (hi + grow) * window_.scale + origin[k];
    if (!std::isfinite(first) || !std::isfinite(last)) return true;
    if (last < -PixelMargin || first > extent[k] + PixelMargin) return false;
  }
  return true;
}

}  // namespace marl
