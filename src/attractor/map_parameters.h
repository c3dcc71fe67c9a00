#ifndef MARL_ATTRACTOR_MAP_PARAMETERS_H_
#define MARL_ATTRACTOR_MAP_PARAMETERS_H_

#include <cstdint>
#include <string>

#include "attractor/torus_map.h"

namespace marl {

// Raw engine outputs thrown away between the linear coefficient and the
// start point.
constexpr int DiscardCount = 202;

// Draws a fresh map and start point from randomEngine and returns the image
// number (0..30000) for the file names. The order of the draws is part of the
// behaviour: every later picture of the run depends on it. Entries of the
// matrix outside the detail x detail block are left as they are.
int32_t randomizeMap(TorusMap& map);

struct OutputNames {
  std::string fileName;       // the attractor picture
  std::string quaziFileName;  // the tiling picture
};

// "<basename><number, six digits at least>.<extension>" and the same with
// "_quazi" before the number. Any length of base name is kept whole.
OutputNames makeOutputNames(const std::string& basename, long imageNumber,
                            const std::string& extension);

}  // namespace marl

#endif  // MARL_ATTRACTOR_MAP_PARAMETERS_H_
