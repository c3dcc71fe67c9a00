#include "job/picture_job.h"

#include <memory>
#include <new>

#include "attractor/map_parameters.h"
#include "base/draw_sequence.h"
#include "base/escaped_text.h"
#include "job/picture_limits.h"
#include "job/recipe.h"
#include "quazi/quazi_band_rows.h"
#include "quazi/quazi_picture_rows.h"
#include "quazi/bitmap_rows.h"
#include "colour/grid_rows.h"
#include "image/image_file.h"

namespace marl {

PictureJob::PictureJob(const JobSettings& settings, std::ostream& out,
                       std::ostream& err)
    : settings_(settings), out_(out), err_(err), printer_(out) {}

bool PictureJob::prepare(RandomSource& random, std::time_t now) {
  random.advanceForTime(now);
  // The palette, the two colours and four spare slots get their values
  // later; only these draws of theirs are kept.
  for (int32_t slot = 0; slot < ColourSlotCount; ++slot) {
    for (int channel = 0; channel < 3; ++channel) random.drawSmallInteger(0, 200);
  }
  if (!drawParameters(random)) return false;
  findAttractor(random);
  takeRandomPalette();
  if (parameters_.quazi) {
    spacingUnits_ = settings_.spacingUnits
                        ? *settings_.spacingUnits
                        : drawSpacingUnits(random, uint32_t(
                                                       parameters_.quaziSettings.qline));
  }
  recipe_ = recipeOf(*this);
  return true;
}

bool PictureJob::allocateGrid(uint32_t side) {
  try {
    grid_.setSize(side);
    return true;
  } catch (const std::bad_alloc&) {
    err_ << "marl: error: cannot allocate the hit grid for size=" << side
         << ": out of memory; give a smaller size\n";
    return false;
  }
}

void PictureJob::randomize(RandomSource& random) {
  map_.detail = settings_.detail;
  const int32_t imageNumber = randomizeMap(map_, random);
  start_ = {map_.x, map_.y, imageNumber, start_.attempt};
  names_ = makeOutputNames(settings_.basename, imageNumber,
                           settings_.format->extension);
}

void PictureJob::takeGivenMap(const GivenMap& given) {
  map_.detail = settings_.detail;
  map_.linearCoefficient = given.linearCoefficient;
  map_.offsetX = map_.offsetY = given.offset;
  map_.x = given.startX;
  map_.y = given.startY;
  for (int32_t i = 0; i < map_.detail; ++i)
    for (int32_t j = 0; j < map_.detail; ++j)
      map_.coefficientMatrix[i][j] =
          given.coefficients[std::size_t(i * map_.detail + j)];
  start_ = {given.startX, given.startY, given.imageNumber, given.attempt};
  const std::optional<FrameOfAnimation>& frame = settings_.frame;
  names_ = frame ? makeFrameNames(settings_.basename, given.imageNumber,
                                  settings_.format->extension, frame->index,
                                  frame->digits)
                 : makeOutputNames(settings_.basename, given.imageNumber,
                                   settings_.format->extension);
}

void PictureJob::findAttractor(RandomSource& random) {
  if (settings_.map) {
    takeGivenMap(*settings_.map);
  } else {
    randomize(random);
  }
  out_ << EscapedIfNeeded{names_.fileName} << std::endl;
  out_ << "Will run to " << settings_.iterationMaximum << std::endl;
  if (settings_.map) {
    // The user chose this map: no fill check, and the steps counted as in
    // the attempt it was.
    run_.emplace(map_, grid_, settings_.iterationMaximum, printer_,
                 MaxRejectedAttempts, OrbitRun::Judged::Already,
                 start_.attempt > 1 ? 1 : 0);
    run_->countStepsInto(steps_);
    return;
  }
  run_.emplace(map_, grid_, settings_.iterationMaximum, printer_);
  run_->countStepsInto(steps_);
  while (run_->runAttempt() == OrbitRun::Outcome::Rejected) {
    ++start_.attempt;
    randomize(random);
    run_->restart();
  }
  if (run_->keptUnfilled()) {
    err_ << "marl: warning: no map filled " << FillThreshold * 100
         << "% of the picture in " << MaxRejectedAttempts + 1
         << " attempts; keeping the last for '" << Escaped{names_.fileName}
         << "' (a smaller size fills more easily)\n";
  }
}

bool PictureJob::finish() { return countHits() && writePictures(); }

bool PictureJob::countHits() {
  try {
    finishOrbit();
  } catch (const std::bad_alloc&) {
    err_ << "marl: error: cannot write '" << Escaped{names_.fileName}
         << "': out of memory for the fast orbits; use mode=exact\n";
    return false;
  }
  return true;
}

bool PictureJob::writePictures(bool files,
                               const std::function<void(RowSource&)>& video) {
  if (files && !writePictures()) return false;
  const CountColours colours = countColours(8);
  GridRows rows(grid_, colours, 8, settings_.background, pictureView());
  video(rows);
  return true;
}

bool PictureJob::writePictures() {
  const CountColours colours = countColours(settings_.depth);
  // The attractor picture, or the cut from it the settings ask for, goes to
  // its file straight from the grid, band by band; only the tiling needs it
  // as a bitmap, one whole period.
  GridRows rows(grid_, colours, settings_.depth, settings_.background,
                pictureView());
  bool written = writePicture(rows, names_.fileName);
  // The tiling picture is made even when the attractor file could not be
  // written: it is a file of its own.
  if (parameters_.quazi) written &= writeQuaziPicture(colours);
  return written;
}

TorusView PictureJob::pictureView() const {
  const uint32_t side = grid_.size();
  return TorusView(side, settings_.width.value_or(side),
                   settings_.height.value_or(side), settings_.shiftX,
                   settings_.shiftY);
}

bool PictureJob::writePicture(RowSource& rows, const std::string& fileName) {
  EncodeOptions options;
  options.text = recipe_;
  options.quality = settings_.quality;
  options.lossless = settings_.lossless;
  return writeImageFile(rows, *settings_.format, fileName, err_, options);
}

bool PictureJob::writeQuaziPicture(const CountColours& colours) {
  const int side = int(grid_.size());
  Bitmap attractor(side, side);
  if (!attractor.ok()) {
    err_ << "marl: error: cannot write '" << Escaped{names_.quaziFileName}
         << "': no memory for a " << side << " x " << side
         << " picture; give a smaller size\n";
    return false;
  }
  GridRows rows(grid_, colours, 8, settings_.background);
  paintBitmap(rows, attractor);
  std::string error;
  const QuaziSettings& quazi = parameters_.quaziSettings;
  const bool alpha = settings_.format->alpha;
  // Within one surface it is painted as the encoder takes it; wider, band
  // by band on surfaces of their own.
  std::unique_ptr<RowSource> tiling;
  if (uint32_t(quazi.qsize) > MaxSurfaceSide) {
    tiling = QuaziBandRows::start(attractor, quazi, spacingUnits_,
                                  settings_.threads, alpha, error);
  } else {
    tiling = QuaziPictureRows::start(attractor, quazi, spacingUnits_,
                                     settings_.threads, alpha, error);
  }
  if (tiling == nullptr) {
    err_ << "marl: error: " << error << "\n";
    return false;
  }
  return writePicture(*tiling, names_.quaziFileName);
}

}  // namespace marl
