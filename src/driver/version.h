#ifndef MARL_DRIVER_VERSION_H_
#define MARL_DRIVER_VERSION_H_

#include <ostream>

#include "driver/argument_map.h"

namespace marl {

// When `version` or `--version` was asked for (like the help words: a bare
// word before the first key=value word, or a key anywhere), prints
// "marl X.Y.Z" and returns true; the run then ends with status 0.
bool printVersionIfAsked(const ArgumentMap& map, std::ostream& out);

}  // namespace marl

#endif  // MARL_DRIVER_VERSION_H_
