#ifndef MARL_DRIVER_PALETTE_LIST_H_
#define MARL_DRIVER_PALETTE_LIST_H_

#include <ostream>

#include "driver/argument_map.h"

namespace marl {

// With palette=list, writes every built-in palette to `out`, one a line:
// its name and its stops as a colors= value (a map of more stops shown by
// 16 of them, evenly spaced), and returns true: nothing else is to be done.
bool printPalettesIfAsked(const ArgumentMap& map, std::ostream& out);

}  // namespace marl

#endif  // MARL_DRIVER_PALETTE_LIST_H_
