#ifndef MARL_BASE_CLOCK_H_
#define MARL_BASE_CLOCK_H_

#include <ctime>
#include <functional>

namespace marl {

// Where the driver reads the calendar time: main passes the real clock,
// tests a fixed one.
using Clock = std::function<std::time_t()>;

}  // namespace marl

#endif  // MARL_BASE_CLOCK_H_
