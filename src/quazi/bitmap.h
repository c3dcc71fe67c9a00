#ifndef MARL_QUAZI_BITMAP_H_
#define MARL_QUAZI_BITMAP_H_

#include <cstdint>

// Cairo's own declaration, so that this header does not bring in Cairo's:
// only the tiling's sources draw on the surface.
typedef struct _cairo_surface cairo_surface_t;

namespace marl {

// A width x height picture of packed 0xAARRGGBB pixels (Cairo's ARGB32, whose
// pixels are premultiplied by alpha), fully transparent when made.
// Creation can fail (a side too large for memory or for Cairo): ok() then
// says so and the picture has no pixels.
class Bitmap {
 public:
  Bitmap(int width, int height);
  ~Bitmap();
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;

  bool ok() const { return surface_ != nullptr; }
  int width() const { return width_; }
  int height() const { return height_; }
  // Row y of the pixels, left to right; rows lie `stride` bytes apart.
  uint32_t* row(int y);
  const uint32_t* row(int y) const;
  // Bytes from the start of one row to the start of the next.
  int stride() const { return stride_; }
  cairo_surface_t* surface() const { return surface_; }

 private:
  cairo_surface_t* surface_ = nullptr;
  unsigned char* pixels_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  int stride_ = 0;
};

}  // namespace marl

#endif  // MARL_QUAZI_BITMAP_H_
