#include "job/picture_files.h"

#include <memory>
#include <string>

#include "base/escaped_text.h"
#include "quazi/bitmap.h"
#include "quazi/bitmap_rows.h"
#include "image/image_file.h"
#include "job/found_picture.h"
#include "job/picture_limits.h"
#include "quazi/quazi_band_rows.h"
#include "quazi/quazi_picture_rows.h"

namespace marl {

namespace {

bool writePicture(const PicturePlan& plan, RowSource& rows,
                  const std::string& fileName, JobConsole& console,
                  std::vector<std::string>* written) {
  EncodeOptions options;
  options.text = plan.recipe;
  options.quality = plan.options.quality;
  options.lossless = plan.options.lossless;
  // A file under the name holding this recipe is this picture: made by a
  // twin run, or broken and to be mended.
  std::string name;
  if (!writeImageFile(rows, *plan.options.format, fileName,
                      console.diagnostics(), options, &name,
                      twinJudge(plan.recipe)))
    return false;
  if (written) written->push_back(name);
  return true;
}

bool writeTilingPicture(const PicturePlan& plan, const HitGrid& grid,
                        const CountColours& colours, JobConsole& console,
                        std::vector<std::string>* written) {
  const int side = int(grid.size());
  Bitmap attractor(side, side);
  if (!attractor.ok()) {
    console.error("cannot write '", Escaped{plan.names.quaziFileName},
                  "': no memory for a ", side, " x ", side,
                  " picture; give a smaller size");
    return false;
  }
  GridRows rows(grid, colours, 8, plan.options.background);
  paintBitmap(rows, attractor);
  std::string error;
  const QuaziSettings& quazi = *plan.tiling;
  const unsigned threads = plan.options.threads;
  const bool alpha = plan.options.format->alpha;
  // Within one surface it is painted as the encoder takes it; wider, band
  // by band on surfaces of their own.
  std::unique_ptr<RowSource> tiling;
  if (uint32_t(quazi.qsize) > MaxSurfaceSide) {
    tiling = QuaziBandRows::start(attractor, quazi, plan.spacingUnits, threads,
                                  alpha, error);
  } else {
    tiling = QuaziPictureRows::start(attractor, quazi, plan.spacingUnits,
                                     threads, alpha, error);
  }
  if (tiling == nullptr) {
    console.error(error);
    return false;
  }
  return writePicture(plan, *tiling, plan.names.quaziFileName, console,
                      written);
}

}  // namespace

GridRows pictureRows(const PicturePlan& plan, const HitGrid& grid,
                     const CountColours& colours, int depth) {
  return GridRows(grid, colours, depth, plan.options.background,
                  pictureView(plan.options));
}

bool writePictures(const PicturePlan& plan, const HitGrid& grid,
                   const CountColours& colours, JobConsole& console,
                   std::vector<std::string>* written) {
  // The attractor picture goes to its file straight from the grid, band by
  // band; only the tiling needs it as a bitmap, one whole period.
  GridRows rows = pictureRows(plan, grid, colours, plan.options.depth);
  bool ok = writePicture(plan, rows, plan.names.fileName, console, written);
  if (plan.tiling)
    ok &= writeTilingPicture(plan, grid, colours, console, written);
  return ok;
}

}  // namespace marl
