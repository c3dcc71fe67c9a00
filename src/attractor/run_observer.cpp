#include "attractor/run_observer.h"

namespace marl {

void ConsoleRunObserver::progress(int64_t itcnt) {
  out_ << "itcnt = " << itcnt << std::endl;
}

void ConsoleRunObserver::fillChecked(double fillval) {
  out_ << "fillval = " << fillval << std::endl;
}

void ConsoleRunObserver::restarted() {
  out_ << "Reseting as unfilled" << std::endl;
}

}  // namespace marl
