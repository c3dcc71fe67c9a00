#include <unistd.h>

#include <cstring>
#include <ctime>
#include <iostream>

#include "base/fd_output_buffer.h"
#include "base/termination_signals.h"
#include "driver/driver.h"
#include "explore/explore_command.h"

int main(int argc, char** argv) {
  marl::installTerminationHandlers();
  marl::FdOutputBuffer outBuffer(STDOUT_FILENO);
  std::ostream out(&outBuffer);
  const int status =
      marl::asksForExplorer(argc, argv)
          ? marl::runExplorer(argc, argv, out, std::cerr)
          : marl::runMarl(argc, argv, out, std::cerr,
                                   [] { return std::time(nullptr); },
                                   isatty(STDERR_FILENO) == 1);
  out.flush();
  if (outBuffer.error() == 0) return status;
  std::cerr << "marl: error: cannot write to standard output: "
            << std::strerror(outBuffer.error()) << "\n";
  return 1;
}
