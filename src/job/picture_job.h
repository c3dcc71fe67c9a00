#ifndef MARL_JOB_PICTURE_JOB_H_
#define MARL_JOB_PICTURE_JOB_H_

#include <atomic>
#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/random_source.h"
#include "job/hit_count.h"
#include "job/job_console.h"
#include "job/job_settings.h"
#include "job/picture_plan.h"

namespace marl {

// One picture, in stages that each take the values the one before settled:
//
//   1. preparePicture: every draw, in the order of draw_sequence.h, into
//      the picture's plan, with its orbit counted as far as the fill check
//      that kept its map;
//   2. the hits counted to the end (HitCount);
//   3. the colour tables built once (colourHits);
//   4. the pictures written (writePictures).
//
// Stages 2 to 4 draw nothing, so they may run later or on another thread;
// finishPicture runs them in turn.
struct PreparedPicture {
  PicturePlan plan;
  std::unique_ptr<HitCount> hits;
};

// Stage 1. Tells the console the echo and the fill check's lines; empty when
// the job cannot go on (its grid cannot be allocated: told). Every map step
// is added to `steps` when given, now and as the hits are counted on.
// A picture that will be finished counts its fast orbits ahead (see
// HitCount::beginAttempts); one prepared for its plan alone does not.
enum class Finishing { Yes, PlanOnly };
std::optional<PreparedPicture> preparePicture(
    const JobSettings& settings, RandomSource& random, std::time_t now,
    JobConsole& console, std::atomic<int64_t>* steps = nullptr,
    Finishing finishing = Finishing::Yes);

// Stages 2 to 4, on the console given to preparePicture. False when the
// picture cannot be made or a requested file was not written (told). The
// names written are added to `*written` when given.
bool finishPicture(PreparedPicture& picture, JobConsole& console,
                   std::vector<std::string>* written = nullptr);

}  // namespace marl

#endif  // MARL_JOB_PICTURE_JOB_H_
