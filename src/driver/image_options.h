#ifndef MARL_DRIVER_IMAGE_OPTIONS_H_
#define MARL_DRIVER_IMAGE_OPTIONS_H_

#include "driver/option_reader.h"
#include "job/job_settings.h"

namespace marl {

// Reads depth, background and quality for the format already in `s`. A
// value the format cannot use, or that is not one of the option's words,
// is reported through `read` and the default used; from a picture's recipe
// it is refused, unless only the command line's image= makes it unusable.
void readImageOptions(OptionReader& read, JobSettings& s);

}  // namespace marl

#endif  // MARL_DRIVER_IMAGE_OPTIONS_H_
