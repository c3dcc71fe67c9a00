#ifndef MARL_DRIVER_DRIVER_H_
#define MARL_DRIVER_DRIVER_H_

#include <ostream>

#include "base/clock.h"

namespace marl {

// The whole program behind main: builds the option map, prints the usage
// text and the count line, then makes the pictures (runPictureBatch). With
// `errIsTerminal` a live progress line is kept on `err`.
// Returns the exit status: 0 when every requested picture was written (and
// after a help request), 1 otherwise.
int runMarl(int argc, const char* const* argv, std::ostream& out,
            std::ostream& err, const Clock& clock, bool errIsTerminal = false);

}  // namespace marl

#endif  // MARL_DRIVER_DRIVER_H_
