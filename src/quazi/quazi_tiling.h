#ifndef MARL_QUAZI_QUAZI_TILING_H_
#define MARL_QUAZI_QUAZI_TILING_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/random_source.h"
#include "base/uninitialized_allocator.h"
#include "quazi/line_family.h"
#include "quazi/tile_quad.h"
#include "quazi/tile_reach.h"

namespace marl {

// An integer pixel position.
struct PixelPoint {
  int32_t x;
  int32_t y;
};

// The draws that decide a tiling's spacings: one drawUnit() per family, in
// family order.
std::vector<double> drawSpacingUnits(RandomSource& random,
                                     uint32_t familyCount);

// A rhombus tiling by de Bruijn's multigrid dual: families of parallel lines
// spread evenly round the circle, every crossing of two lines one tile.
// The tiles are then put into a square view (scale about the origin, then a
// translation) and read back as integer pixel corners.
class QuaziTiling {
 public:
  // One family per unit draw u_j (see drawSpacingUnits), in order; family j
  // gets the spacing baseSpacing + baseSpacing * u_j.
  QuaziTiling(double baseSpacing, const std::vector<double>& unitDraws,
              uint32_t linesPerFamily);

  // Appends one tile per crossing, pairs of families (r, s) in order, then
  // line i of s, then line l of r (fastest). That order is the paint order.
  // Pairs are built on up to `threads` threads; the tiles are the same.
  // Given the window the tiles will be placed in, a tile that surely lies
  // outside it is not worked out (isBuilt is false): it holds no values,
  // is neither scaled nor moved, does not fit (tileFits) and so is never
  // drawn, as it would not have been. The very first tile is always built.
  void buildTiles(unsigned threads = 1, const TileWindow* window = nullptr);

  // Scales every tile by viewScale() * factor on both axes.
  void scaleTiles(double factor);
  // Translates every tile by the shift, which also sets its centre.
  void translateTiles();
  // Both, tile by tile, on up to `threads` threads: the same tiles.
  void scaleAndTranslateTiles(double factor, unsigned threads);

  int32_t tileCount() const { return static_cast<int32_t>(tiles_.size()); }

  // The corner enlarged about the tile's centre by 1 + separation() and
  // truncated toward zero. (0, 0) for an index or corner out of range, and
  // for a corner that does not fit an int (see tileFits).
  PixelPoint tileCorner(std::size_t index, int corner) const;
  // Whether all four enlarged corners of the tile are finite and fit an int.
  // Tiles of antiparallel families (even family counts) cross so far out
  // that nearly all of theirs do not, and the rest lie millions of pixels
  // away; such tiles are flat anyway.
  bool tileFits(std::size_t index) const;

  const std::vector<LineFamily>& families() const { return families_; }
  using TileList = std::vector<TileQuad, UninitializedAllocator<TileQuad>>;
  // Every tile, in order; one that is not built holds no values.
  const TileList& tiles() const { return tiles_; }
  bool isBuilt(std::size_t index) const { return built_[index] != 0; }
  uint32_t familyCount() const { return familyCount_; }
  double angleStep() const { return angleStep_; }
  uint32_t linesPerFamily() const { return linesPerFamily_; }

  // The view: translation in pixels, scale, and the enlargement of every
  // tile about its centre when corners are read, so that neighbours overlap.
  double shiftX() const { return shiftX_; }
  double shiftY() const { return shiftY_; }
  double viewScale() const { return viewScale_; }
  double separation() const { return separation_; }
  void setShift(double x, double y) {
    shiftX_ = x;
    shiftY_ = y;
  }
  void setViewScale(double scale) { viewScale_ = scale; }
  void setSeparation(double separation) { separation_ = separation; }

 private:
  void buildFamilies(double baseSpacing, const std::vector<double>& unitDraws);
  // The linesPerFamily^2 tiles of families r < s, in order, into `out`;
  // `weight` is scratch of familyCount entries.
  // With `reach`, crossings whose tile cannot show are left NaN, but for
  // the pair's first when `keepFirst`.
  // `built` gets a flag a tile.
  void buildPair(std::size_t r, std::size_t s, TileQuad* out, uint8_t* built,
                 std::vector<double>& weight, const TileReach* reach,
                 bool keepFirst) const;
  // The enlarged corner before truncation; false when out of range.
  bool enlargedCorner(std::size_t index, int corner, double* x,
                      double* y) const;

  std::vector<LineFamily> families_;
  TileList tiles_;
  std::vector<uint8_t> built_;  // one a tile: whether it was worked out
  uint32_t familyCount_;
  double angleStep_;
  uint32_t linesPerFamily_;
  double shiftX_ = 0.0;
  double shiftY_ = 0.0;
  double viewScale_ = 1.0;
  double separation_ = 0.02;
};

}  // namespace marl

#endif  // MARL_QUAZI_QUAZI_TILING_H_
