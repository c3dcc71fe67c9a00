#ifndef MARL_DRIVER_PICTURE_BATCH_H_
#define MARL_DRIVER_PICTURE_BATCH_H_

#include <cstdint>
#include <ostream>

#include "base/clock.h"
#include "job/job_settings.h"

namespace marl {

class BatchCatalogue;

struct BatchOptions {
  int32_t count = 1;         // pictures, at least 1
  int32_t threads = 1;       // jobs finishing at once, at least 1
  bool progressLine = false;  // `err` is a terminal that shows one
  // Where each picture made is listed, when catalogue= is given.
  BatchCatalogue* catalogue = nullptr;
};

// Makes the run's pictures. Each job is prepared (every draw it takes) on
// the calling thread, in job order, so each picture is the one a run of one
// job after another makes; then it is finished on one of `threads` worker
// threads. The calling thread's preparing counts as one of those threads,
// so no more than `threads` of them compute at once and with 1 the jobs run
// one after another. The console reads as in such a run (OrderedConsole).
// A job that fails is reported and the others go on. Each picture made is
// listed in the catalogue, when there is one. Returns true when every
// picture was written and listed.
bool runPictureBatch(const JobSettings& settings, const BatchOptions& options,
                     const Clock& clock, std::ostream& out, std::ostream& err);

}  // namespace marl

#endif  // MARL_DRIVER_PICTURE_BATCH_H_
