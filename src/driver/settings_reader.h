#ifndef MARL_DRIVER_SETTINGS_READER_H_
#define MARL_DRIVER_SETTINGS_READER_H_

#include <optional>
#include <ostream>

#include "driver/argument_map.h"
#include "driver/option_reader.h"
#include "job/job_settings.h"

namespace marl {

// Turns the option map into the settings every job of the run shares,
// applying each option's limits; every value a limit changes is reported on
// `err`. Options of the tiling are read only with quazi. A recipe's map
// that is incomplete or absurd is an error, reported on `err`: nullopt, and
// no picture is to be made. A picture's recipe is read alone first: every
// value it holds must fit, even one the command line replaces.
std::optional<JobSettings> readJobSettings(const ArgumentMap& map,
                                           std::ostream& err);

// The same through `read`, for the map it reads, without the recipe read
// alone first.
std::optional<JobSettings> readSettings(OptionReader& read);

}  // namespace marl

#endif  // MARL_DRIVER_SETTINGS_READER_H_
