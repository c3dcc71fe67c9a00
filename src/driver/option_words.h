#ifndef MARL_DRIVER_OPTION_WORDS_H_
#define MARL_DRIVER_OPTION_WORDS_H_

#include <string>

#include "options/option_table.h"

namespace marl {

// The words `spec`'s value may be, space-separated, from the rooms that
// know them (the formats, the palettes, the colour room's choices); empty
// for an option without words, or whose words are file names.
std::string optionWords(const OptionSpec& spec);

}  // namespace marl

#endif  // MARL_DRIVER_OPTION_WORDS_H_
