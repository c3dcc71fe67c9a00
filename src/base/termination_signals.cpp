#include "base/termination_signals.h"

#include <signal.h>
#include <unistd.h>

#include <initializer_list>

#include "base/files_to_remove.h"

namespace marl {

namespace {

void endProcess(int signo) {
  removeTemporaryFiles();
  _exit(128 + signo);
}

}  // namespace

void installTerminationHandlers() {
  struct sigaction action {};
  action.sa_handler = endProcess;
  sigemptyset(&action.sa_mask);
  // While one of them is handled the others wait: the process ends anyway.
  for (int signo : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&action.sa_mask, signo);
  for (int signo : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction previous {};
    if (sigaction(signo, nullptr, &previous) == 0 &&
        previous.sa_handler == SIG_IGN)
      continue;
    sigaction(signo, &action, nullptr);
  }
  signal(SIGXFSZ, SIG_IGN);
  signal(SIGPIPE, SIG_IGN);
}

}  // namespace marl
