#include "colour/torus_view.h"

#include <gtest/gtest.h>

namespace marl {
namespace {

TEST(TorusViewTest, MapsOutputRowsAndColumnsOntoTheTorus) {
  struct Case {
    uint32_t side, width, height;
    double shiftX, shiftY;
    uint32_t x, y;           // an output pixel
    uint32_t column, row;    // the grid cell it shows
  } const cases[] = {
      {100, 100, 100, 0.0, 0.0, 37, 99, 37, 99},   // the grid itself
      {100, 250, 80, 0.0, 0.0, 199, 79, 99, 79},   // copies side by side
      {100, 250, 80, 0.0, 0.0, 200, 0, 0, 0},
      {100, 100, 100, 0.5, 0.0, 0, 0, 50, 0},      // half a period
      {100, 100, 100, 0.5, 0.25, 60, 80, 10, 5},
      {101, 101, 101, 0.5, 0.999, 0, 0, 50, 100},  // shifts round down
      {65535, 65535, 65535, 0.9, 0.9, 65534, 65534, 58980, 58980},
  };
  for (const Case& c : cases) {
    const TorusView view(c.side, c.width, c.height, c.shiftX, c.shiftY);
    EXPECT_EQ(view.column(c.x), c.column) << c.side << " " << c.x;
    EXPECT_EQ(view.row(c.y), c.row) << c.side << " " << c.y;
  }
  EXPECT_TRUE(TorusView::whole(1201).isWhole());
  EXPECT_FALSE(TorusView(1201, 1201, 1201, 0.5, 0.0).isWhole());
  EXPECT_FALSE(TorusView(1201, 2402, 1201, 0.0, 0.0).isWhole());
  // A shift that rounds to no whole cell leaves the grid whole.
  EXPECT_TRUE(TorusView(100, 100, 100, 0.001, 0.0).isWhole());
}

}  // namespace
}  // namespace marl
