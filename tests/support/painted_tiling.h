#ifndef MARL_TESTS_SUPPORT_PAINTED_TILING_H_
#define MARL_TESTS_SUPPORT_PAINTED_TILING_H_

#include <memory>
#include <string>
#include <vector>

#include "quazi/bitmap.h"
#include "quazi/bitmap_rows.h"
#include "quazi/quazi_image.h"
#include "quazi/quazi_picture_rows.h"

namespace marl_test {

// The tiling picture as the job paints it on one surface (with alpha kept,
// so painted whole before its first row), back in Cairo's premultiplied
// pixels: exactly the canvas, since undoing the premultiplication and
// doing it again loses nothing (BitmapRowsTest checks that). nullptr with
// the reason in `error` when no picture can be made.
inline std::unique_ptr<marl::Bitmap> paintedTiling(
    const marl::Bitmap& attractor, const marl::QuaziSettings& settings,
    const std::vector<double>& units, std::string& error,
    unsigned threads = 1) {
  const std::unique_ptr<marl::QuaziPictureRows> rows =
      marl::QuaziPictureRows::start(attractor, settings, units, threads, true,
                                    error);
  if (!rows) return nullptr;
  auto canvas =
      std::make_unique<marl::Bitmap>(settings.qsize, settings.qsize);
  if (!canvas->ok()) return nullptr;
  marl::paintBitmap(*rows, *canvas);
  return canvas;
}

}  // namespace marl_test

#endif  // MARL_TESTS_SUPPORT_PAINTED_TILING_H_
