#ifndef MARL_DRIVER_RUN_SETTINGS_H_
#define MARL_DRIVER_RUN_SETTINGS_H_

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "animation/animation_settings.h"
#include "driver/argument_map.h"
#include "driver/option_reader.h"
#include "job/job_settings.h"

namespace marl {

// Everything a run makes, read from the options.
struct RunSettings {
  int64_t count = 1;  // jobs; 0 or less makes none, and nothing else is read
  JobSettings job;
  AnimationSettings animation;
  bool animated = false;
  // catalogue=: the file each picture made is listed in.
  std::optional<std::string> catalogue;
};

// Reads the run through `read`. A picture's recipe is read alone first,
// every key it holds, so that a value marl never writes ends the run
// before any work, even one the command line replaces or this run does not
// use. Nullopt when a value is refused or the options are unusable,
// reported on the reader's stream: nothing is to be made.
std::optional<RunSettings> readRunSettings(OptionReader& read);

}  // namespace marl

#endif  // MARL_DRIVER_RUN_SETTINGS_H_
