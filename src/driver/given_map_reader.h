#ifndef MARL_DRIVER_GIVEN_MAP_READER_H_
#define MARL_DRIVER_GIVEN_MAP_READER_H_

#include <cstdint>
#include <string>
#include <vector>

#include "driver/option_reader.h"
#include "job/job_settings.h"

namespace marl {

// Reads the map a recipe gives (linear, offset, startx, starty,
// coefficients, number, attempt) and, with the tiling, its spacings into
// `settings`, whose detail and qline are already read. None of the keys
// present leaves the settings alone. A key missing or a value that is not
// exactly one marl writes makes no picture, wherever it came from: an error
// through `read`, and false.
bool readGivenMap(OptionReader& read, JobSettings& settings);

// A coefficient block as `coefficients=` holds it: detail x detail
// comma-separated reals, each -1 to 1, read by the limits of `key`'s
// option. False with the reason in `why`, naming `key`, otherwise.
bool readCoefficientList(const std::string& text, int32_t detail,
                         const char* key, std::vector<double>& out,
                         std::string& why);

}  // namespace marl

#endif  // MARL_DRIVER_GIVEN_MAP_READER_H_
