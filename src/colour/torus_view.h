#ifndef MARL_COLOUR_TORUS_VIEW_H_
#define MARL_COLOUR_TORUS_VIEW_H_

#include <cstdint>

namespace marl {

// A width x height window on the plane tiled by copies of one side x side
// torus picture, moved by shiftX and shiftY periods (each in [0, 1)). Output
// column x shows grid column (x + offsetX) mod side, and likewise for rows,
// where an offset is the shift times the side, rounded down. A square window
// of the side without shift is the grid itself.
class TorusView {
 public:
  TorusView(uint32_t side, uint32_t width, uint32_t height, double shiftX,
            double shiftY);
  // The grid itself: side x side, no shift.
  static TorusView whole(uint32_t side) { return TorusView(side, side, side, 0, 0); }

  uint32_t side() const { return side_; }
  uint32_t width() const { return width_; }
  uint32_t height() const { return height_; }
  bool isWhole() const {
    return width_ == side_ && height_ == side_ && offsetX_ == 0 &&
           offsetY_ == 0;
  }

  // Grid column of output column x < width(), grid row of output row
  // y < height().
  uint32_t column(uint32_t x) const { return wrap(x, offsetX_); }
  uint32_t row(uint32_t y) const { return wrap(y, offsetY_); }

 private:
  uint32_t wrap(uint32_t at, uint32_t offset) const {
    return uint32_t((uint64_t(at) + offset) % side_);
  }

  uint32_t side_;
  uint32_t width_;
  uint32_t height_;
  uint32_t offsetX_;
  uint32_t offsetY_;
};

}  // namespace marl

#endif  // MARL_COLOUR_TORUS_VIEW_H_
