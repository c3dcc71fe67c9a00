#include "job/symmetric_square.h"

#include <new>

#include "attractor/run_control.h"
#include "base/escaped_text.h"
#include "quazi/quazi_image.h"
#include "render/bitmap.h"
#include "render/image_file.h"

namespace marl {

namespace {

// A random colour with every channel in 55..255, drawn red, green, blue.
uint32_t drawColour() {
  const uint32_t red = 55 + drawSmallInteger(0, 200);
  const uint32_t green = 55 + drawSmallInteger(0, 200);
  const uint32_t blue = 55 + drawSmallInteger(0, 200);
  return 0xFF000000u + red * 65536 + green * 256 + blue;
}

}  // namespace

SymmetricSquare::SymmetricSquare(std::ostream& out, std::ostream& err,
                                 const Clock& clock)
    : out_(out), err_(err) {
  grid_.setSize(DefaultSide);
  advanceForTime(clock());
  // The colour slots are drawn even though the render overwrites the palette:
  // these draws fix the state every later draw of the run starts from.
  for (uint32_t& colour : renderer_.palette) colour = drawColour();
  parameters_.startColour = drawColour();
  parameters_.finishColour = drawColour();
  for (uint32_t& colour : spareColours_) colour = drawColour();
}

bool SymmetricSquare::resize(uint32_t side) {
  try {
    grid_.setSize(side);
    return true;
  } catch (const std::bad_alloc&) {
    err_ << "marl: error: cannot allocate the hit grid for size=" << side
         << ": out of memory; give a smaller size\n";
    return false;
  }
}

void SymmetricSquare::randomize() {
  map_.detail = parameters_.detail;
  const int32_t imageNumber = randomizeMap(map_);
  names_ = makeOutputNames(parameters_.basename, imageNumber,
                           parameters_.extension);
}

void SymmetricSquare::run() {
  out_ << names_.fileName << std::endl;
  out_ << "Will run to " << parameters_.iterationMaximum << std::endl;
  runOrbit(map_, grid_, parameters_.iterationMaximum, out_,
           [this] { randomize(); });
}

bool SymmetricSquare::saveImage() {
  const int side = int(grid_.size());
  Bitmap bitmap(side, side);
  bool written = false;
  if (bitmap.ok()) {
    renderer_.renderToBitmap(bitmap, grid_, parameters_.startColour,
                             parameters_.finishColour);
    written = writeImageFile(bitmap, parameters_.imageType, names_.fileName,
                             err_);
  } else {
    err_ << "marl: error: cannot write '" << Escaped{names_.fileName}
         << "': no memory for a " << side << " x " << side
         << " picture; give a smaller size\n";
  }
  // The tiling picture is made even when the attractor file could not be
  // written: it is a file of its own.
  if (parameters_.quazi) written &= saveQuaziImage(bitmap);
  return written;
}

bool SymmetricSquare::saveQuaziImage(const Bitmap& attractor) {
  const JobParameters& p = parameters_;
  const QuaziSettings settings = {p.qline, p.qsize,  p.qx,
                                  p.qy,    p.qscale, p.qsep};
  return marl::saveQuaziImage(attractor, settings, p.imageType,
                              names_.quaziFileName, err_);
}

}  // namespace marl
