#ifndef MARL_JOB_KEPT_COUNTS_H_
#define MARL_JOB_KEPT_COUNTS_H_

#include <ostream>
#include <string>

#include "job/checkpoint_writer.h"
#include "job/hit_count.h"
#include "job/job_console.h"
#include "job/picture_plan.h"

namespace marl {

// A picture's kept counts: before counting, the counts file its options
// came from (coloured again, or counted on to a larger `it`) or its own
// checkpoint from a run that was killed; while counting, the checkpoints;
// after, the counts file beside the picture.
class KeptCounts {
 public:
  KeptCounts(const PicturePlan& plan, HitCount& hits, JobConsole& console);

  // Takes what counts there are into the grid and sets the checkpoints up.
  // False when a counts file given cannot be used (told): nothing is made.
  bool begin();
  // Writes the counts file when asked for; false when it failed (told).
  bool end();

 private:
  // The counts of `path`, checked against the plan; false (told) when the
  // file is not one or lies. `used` says whether they were taken.
  bool takeFile(const std::string& path, bool given, bool& used);
  // Takes a checkpoint unless the last is still being written (false).
  bool checkpoint();
  // Writes `grid` with state `text` under the counts name, reporting on
  // `err`; packs on `threads` threads.
  bool write(const HitGrid& grid, const std::string& text, std::ostream& err,
             unsigned threads);
  // The path of this picture's own unfinished checkpoint; empty if none.
  std::string ownCheckpoint() const;

  const PicturePlan& plan_;
  HitCount& hits_;
  JobConsole& console_;
  // The counts file this run writes over: its checkpoint, once written or
  // found.
  std::string ownFile_;
  // Declared last, so that it is gone, its write ended, before the rest.
  CheckpointWriter checkpoints_;
};

// Whether two recipes count the same orbit into the same grid: the same
// map, start, attempt, detail, size and mode (colours, cut and `it` may
// differ).
bool sameOrbit(const std::string& recipe, const std::string& other);

}  // namespace marl

#endif  // MARL_JOB_KEPT_COUNTS_H_
