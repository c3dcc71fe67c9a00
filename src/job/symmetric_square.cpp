#include "job/symmetric_square.h"

#include <new>

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
    : out_(out), err_(err), palette_(PaletteSize) {
  grid_.setSize(DefaultSide);
  advanceForTime(clock());
  // The colour slots are drawn even though the render overwrites the palette:
  // these draws fix the state every later draw of the run starts from.
  for (uint32_t& colour : palette_) colour = drawColour();
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

}  // namespace marl
