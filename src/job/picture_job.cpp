#include "job/picture_job.h"

#include <new>

#include "attractor/map_parameters.h"
#include "base/draw_sequence.h"
#include "render/colour_renderer.h"
#include "render/image_file.h"

namespace marl {

PictureJob::PictureJob(const JobSettings& settings, std::ostream& out,
                       std::ostream& err)
    : settings_(settings), out_(out), err_(err), printer_(out) {}

bool PictureJob::prepare(RandomSource& random, std::time_t now) {
  random.advanceForTime(now);
  // The palette, the two colours and four spare slots get their values
  // later; only these draws of theirs are kept.
  for (int32_t slot = 0; slot < kColourSlotCount; ++slot) {
    for (int channel = 0; channel < 3; ++channel) random.drawSmallInteger(0, 200);
  }
  if (!drawParameters(random)) return false;
  findAttractor(random);
  if (parameters_.quazi) {
    spacingUnits_ = drawSpacingUnits(
        random, uint32_t(parameters_.quaziSettings.qline));
  }
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
  names_ = makeOutputNames(settings_.basename, imageNumber,
                           settings_.format->extension);
}

void PictureJob::findAttractor(RandomSource& random) {
  randomize(random);
  out_ << names_.fileName << std::endl;
  out_ << "Will run to " << settings_.iterationMaximum << std::endl;
  run_.emplace(map_, grid_, settings_.iterationMaximum, printer_);
  run_->countStepsInto(steps_);
  while (run_->runAttempt() == OrbitRun::Outcome::Rejected) {
    randomize(random);
    run_->restart();
  }
}

bool PictureJob::finish() {
  run_->finish();
  const int side = int(grid_.size());
  Bitmap bitmap(side, side);
  bool written = false;
  if (bitmap.ok()) {
    ColourRenderer renderer;
    renderer.renderToBitmap(bitmap, grid_, parameters_.startColour,
                            parameters_.finishColour);
    written = writePicture(bitmap, names_.fileName);
  } else {
    err_ << "marl: error: cannot write '" << names_.fileName
         << "': no memory for a " << side << " x " << side
         << " picture; give a smaller size\n";
  }
  // The tiling picture is made even when the attractor file could not be
  // written: it is a file of its own.
  if (parameters_.quazi) written &= writeQuaziPicture(bitmap);
  return written;
}

bool PictureJob::writePicture(const Bitmap& bitmap,
                              const std::string& fileName) {
  return writeImageFile(bitmap, *settings_.format, fileName, err_);
}

bool PictureJob::writeQuaziPicture(const Bitmap& attractor) {
  std::string error;
  const std::unique_ptr<Bitmap> picture = paintQuaziImage(
      attractor, parameters_.quaziSettings, spacingUnits_, error);
  if (picture == nullptr) {
    err_ << "marl: error: " << error << "\n";
    return false;
  }
  return writePicture(*picture, names_.quaziFileName);
}

}  // namespace marl
