#ifndef MARL_EXPLORE_EXPLORE_COMMAND_H_
#define MARL_EXPLORE_EXPLORE_COMMAND_H_

#include <ostream>

namespace marl {

// Whether the command line asks for the explorer: the bare word "explore"
// before any key=value word, as "help" is asked for, and no request for
// help or the version before it.
bool asksForExplorer(int argc, const char* const* argv);

// `marl explore [port=N] [host=ADDRESS] [open=true]`: serves the explorer
// until SIGINT or SIGTERM, printing its one address (with the token) on
// `out`. Returns the exit status: 0 after a clean stop, 1 when it cannot
// start (told on `err`).
int runExplorer(int argc, const char* const* argv, std::ostream& out,
                std::ostream& err);

}  // namespace marl

#endif  // MARL_EXPLORE_EXPLORE_COMMAND_H_
