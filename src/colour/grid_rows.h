#ifndef MARL_COLOUR_GRID_ROWS_H_
#define MARL_COLOUR_GRID_ROWS_H_

#include <cstdint>
#include <vector>

#include "attractor/hit_grid.h"
#include "colour/background.h"
#include "colour/count_colours.h"
#include "base/picture_rows.h"
#include "colour/torus_view.h"

namespace marl {

// The hit grid's counted square, or the cut `view` from the plane it tiles,
// coloured through `colours` (built for this grid, with the 16-bit table for
// depth 16), row by row: the attractor picture without a bitmap. With Transparent the picture has alpha;
// unvisited cells get alpha 0 and every other pixel full alpha.
class GridRows : public RowSource {
 public:
  GridRows(const HitGrid& grid, const CountColours& colours, int depth,
           Background background);
  GridRows(const HitGrid& grid, const CountColours& colours, int depth,
           Background background, const TorusView& view);

  const PictureShape& shape() const override { return shape_; }
  void readRows(int first, int count, unsigned char* out) override;
  bool rereadable() const override { return true; }

 private:
  // Colours one row of cells, shape_.width of them, into `out`.
  void colourRow(const uint32_t* cells, unsigned char* out) const;

  const HitGrid& grid_;
  const CountColours& colours_;
  Background background_;
  TorusView view_;
  PictureShape shape_;
  // Grid column of each picture column, and a row of counts gathered by it;
  // both empty where picture columns are grid columns.
  std::vector<uint32_t> columns_;
  std::vector<uint32_t> gathered_;
};

}  // namespace marl

#endif  // MARL_COLOUR_GRID_ROWS_H_
