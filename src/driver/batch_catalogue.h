#ifndef MARL_DRIVER_BATCH_CATALOGUE_H_
#define MARL_DRIVER_BATCH_CATALOGUE_H_

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <set>
#include <string>

#include "files/locked_append.h"
#include "job/job_console.h"

namespace marl {

// The catalogue of one run: each picture's line appended in job order,
// whatever order the jobs finish in, so that a run makes the same catalogue
// on any number of threads (other processes' lines may fall between).
class BatchCatalogue {
 public:
  explicit BatchCatalogue(LockedAppendFile& file) : file_(file) {}

  // Waits for job `index`'s turn (every job before it recorded or passed),
  // then appends `line`. A line not written is an error on `console`, which
  // names `picture`: false then.
  bool record(int64_t index, const std::string& line,
              const std::string& picture, JobConsole& console);
  // Job `index` makes no line; never waits.
  void pass(int64_t index);

 private:
  // Under the lock: moves the turn past `next_` and the jobs passed after.
  void advance();

  LockedAppendFile& file_;
  std::mutex mutex_;
  std::condition_variable turn_;
  int64_t next_ = 0;
  std::set<int64_t> passed_;
};

}  // namespace marl

#endif  // MARL_DRIVER_BATCH_CATALOGUE_H_
