#ifndef MARL_QUAZI_BITMAP_ROWS_H_
#define MARL_QUAZI_BITMAP_ROWS_H_

#include <cstdint>

#include "quazi/bitmap.h"
#include "base/picture_rows.h"

namespace marl {

// A Cairo bitmap's rows at 8 bits. With `keepAlpha` and a pixel that is not
// fully opaque, the rows carry alpha, un-premultiplied; otherwise they are
// RGB and a translucent pixel shows over black.
class BitmapRows : public RowSource {
 public:
  BitmapRows(const Bitmap& bitmap, bool keepAlpha);

  const PictureShape& shape() const override { return shape_; }
  void readRows(int first, int count, unsigned char* out) override;
  bool rereadable() const override { return true; }

 private:
  const Bitmap& bitmap_;
  PictureShape shape_;
};

// One row of Cairo's premultiplied 0xAARRGGBB pixels as 8-bit RGBA with
// alpha undone (rounded to nearest), or, without `alpha`, as RGB.
void unpremultipliedRow(const uint32_t* pixels, int width, bool alpha,
                        unsigned char* out);

// Paints `bitmap` (of the source's size) with the rows of an 8-bit source,
// premultiplying alpha as Cairo wants it.
void paintBitmap(RowSource& source, Bitmap& bitmap);

}  // namespace marl

#endif  // MARL_QUAZI_BITMAP_ROWS_H_
