#ifndef MARL_DRIVER_USAGE_TEXT_H_
#define MARL_DRIVER_USAGE_TEXT_H_

#include <ostream>

namespace marl {

// Prints the usage text: an empty line, then the option table, each line
// flushed as it is written. It is printed on every run.
void printUsage(std::ostream& out);

}  // namespace marl

#endif  // MARL_DRIVER_USAGE_TEXT_H_
