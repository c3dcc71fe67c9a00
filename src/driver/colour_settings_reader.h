#ifndef MARL_DRIVER_COLOUR_SETTINGS_READER_H_
#define MARL_DRIVER_COLOUR_SETTINGS_READER_H_

#include "driver/option_reader.h"
#include "job/job_settings.h"

namespace marl {

// Reads colors=, palette=, reverse=, blend=, tone= and gamma= into `s`,
// after the channels R0..B1. colors= sets the channels to its first and
// last stops (so two stops are exactly R0..B1 given) and beats palette=;
// both beat the channels. A colour option on the command line sets aside
// every colour option of the parameter file or recipe, so a replay with a
// new palette= or colors= recolours. Values that cannot be used are
// reported through `read` and the colours are drawn as usual.
void readColourSettings(OptionReader& read, JobSettings& s);

}  // namespace marl

#endif  // MARL_DRIVER_COLOUR_SETTINGS_READER_H_
