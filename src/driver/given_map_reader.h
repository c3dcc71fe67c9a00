#ifndef MARL_DRIVER_GIVEN_MAP_READER_H_
#define MARL_DRIVER_GIVEN_MAP_READER_H_

#include <cstdint>
#include <string>
#include <vector>

#include "driver/argument_map.h"
#include "job/job_settings.h"

namespace marl {

// Reads the map a recipe gives (linear, offset, startx, starty,
// coefficients, number, attempt) and, with the tiling, its spacings into
// `settings`, whose detail and qline are already read. None of the keys
// present leaves the settings alone. Returns false with the reason in `why`
// when a key is missing or a value is absurd: such a recipe makes no
// picture.
bool readGivenMap(const ArgumentMap& map, JobSettings& settings,
                  std::string& why);

// A coefficient block as `coefficients=` holds it: detail x detail
// comma-separated reals, each -1 to 1. False with the reason in `why`,
// naming `key`, otherwise.
bool readCoefficientList(const std::string& text, int32_t detail,
                         const char* key, std::vector<double>& out,
                         std::string& why);

}  // namespace marl

#endif  // MARL_DRIVER_GIVEN_MAP_READER_H_
