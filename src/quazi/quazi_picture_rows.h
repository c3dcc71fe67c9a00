#ifndef MARL_QUAZI_QUAZI_PICTURE_ROWS_H_
#define MARL_QUAZI_QUAZI_PICTURE_ROWS_H_

#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/picture_rows.h"
#include "quazi/bitmap.h"
#include "quazi/quazi_image.h"

namespace marl {

class TileBrush;

// The tiling picture painted on one surface: the whole attractor picture
// warped onto each tile, its upper-left, upper-right and lower-left
// corners on tile corners 0, 1 and 2, later tiles over earlier ones, every
// pixel as one thread drawing every tile in order paints it. It is handed
// to an encoder while it is painted: tiles go from the top of the picture
// down, and rows are given out as soon as no
// tile left touches them. The encoder's own thread paints too whenever it
// waits for rows, beside threads - 1 more, so with one thread painting and
// encoding take turns and with more they overlap.
//
// Rows are 8-bit. With `keepAlpha` the picture is painted whole before the
// first row is given, to know whether any pixel is translucent: then the
// rows carry alpha, un-premultiplied (as BitmapRows's). Otherwise a
// translucent pixel shows over black. Rows may be read in any order and
// again: rows asked for below those finished wait for (and help) the
// painting to reach them.
class QuaziPictureRows : public RowSource {
 public:
  // Places the tiling and starts painting; nullptr with the reason in
  // `error` when the settings make no picture or its surface cannot be
  // made.
  static std::unique_ptr<QuaziPictureRows> start(
      const Bitmap& attractor, const QuaziSettings& settings,
      const std::vector<double>& spacingUnits, unsigned threads,
      bool keepAlpha, std::string& error);

  // Stops the painting if the encoder gave up early, and waits for it.
  ~QuaziPictureRows() override;
  QuaziPictureRows(const QuaziPictureRows&) = delete;
  QuaziPictureRows& operator=(const QuaziPictureRows&) = delete;

  const PictureShape& shape() const override { return shape_; }
  bool rereadable() const override { return true; }
  void readRows(int first, int count, unsigned char* out) override;

 private:
  QuaziPictureRows(const QuaziTiling& tiling, const Bitmap& attractor,
                   int side, unsigned threads);
  // Makes each painting thread's target and starts threads - 1 helpers.
  void startPainting(unsigned threads);
  // Draws tiles as the order hands them out, until it hands out no more
  // for `rows`.
  void paint(TileBrush& brush, int rows);

  // The Cairo objects and the tiles' order, which only the tiling's own
  // sources see.
  struct Painting;

  Bitmap canvas_;
  std::unique_ptr<Painting> painting_;
  std::vector<std::thread> helpers_;
  PictureShape shape_;
};

}  // namespace marl

#endif  // MARL_QUAZI_QUAZI_PICTURE_ROWS_H_
