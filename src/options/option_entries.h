#ifndef MARL_OPTIONS_OPTION_ENTRIES_H_
#define MARL_OPTIONS_OPTION_ENTRIES_H_

#include <vector>

#include "options/option_table.h"

namespace marl {

// The table's rows, in two files to keep each small: the picture, its
// colours and its tiling; then the run, the animation and the recipe.
std::vector<OptionSpec> pictureOptionEntries();
std::vector<OptionSpec> runOptionEntries();

}  // namespace marl

#endif  // MARL_OPTIONS_OPTION_ENTRIES_H_
