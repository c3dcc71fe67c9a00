#ifndef MARL_TESTS_SUPPORT_COLOUR_PATH_H_
#define MARL_TESTS_SUPPORT_COLOUR_PATH_H_

#include <array>
#include <cstdint>
#include <vector>

namespace marl_test {

// How far 0xRRGGBB `colour` lies, in 8-bit steps, from the straight lines
// in RGB that join the stops one after another. Stops are channels 0..1.
double distanceToPath(const std::vector<std::array<double, 3>>& stops,
                      uint32_t colour);

}  // namespace marl_test

#endif  // MARL_TESTS_SUPPORT_COLOUR_PATH_H_
