#ifndef MARL_DRIVER_IMAGE_OPTIONS_H_
#define MARL_DRIVER_IMAGE_OPTIONS_H_

#include <ostream>

#include "driver/argument_map.h"
#include "driver/option_reader.h"
#include "job/job_settings.h"

namespace marl {

// Reads depth, background and quality for the format already in `s`. A
// value the format cannot use, or that is not one of the option's words,
// gives a warning on `err` and the default; from a picture's recipe it is
// refused through `read` instead, unless only the command line's image=
// makes it unusable. False, with an error on `err`, when the picture is
// larger than the format can hold: nothing is to be made.
bool readImageOptions(const ArgumentMap& map, OptionReader& read,
                      JobSettings& s, std::ostream& err);

}  // namespace marl

#endif  // MARL_DRIVER_IMAGE_OPTIONS_H_
