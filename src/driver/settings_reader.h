#ifndef MARL_DRIVER_SETTINGS_READER_H_
#define MARL_DRIVER_SETTINGS_READER_H_

#include <optional>
#include <ostream>

#include "driver/argument_map.h"
#include "job/job_settings.h"

namespace marl {

// Turns the option map into the settings every job of the run shares,
// applying each option's limits; every value a limit changes is reported on
// `err`. Options of the tiling are read only with quazi. A recipe's map
// that is incomplete or absurd is an error, reported on `err`: nullopt, and
// no picture is to be made.
std::optional<JobSettings> readJobSettings(const ArgumentMap& map,
                                           std::ostream& err);

}  // namespace marl

#endif  // MARL_DRIVER_SETTINGS_READER_H_
