#ifndef MARL_DRIVER_ANIMATION_BATCH_H_
#define MARL_DRIVER_ANIMATION_BATCH_H_

#include <ostream>

#include "animation/animation_settings.h"
#include "base/clock.h"
#include "driver/picture_batch.h"
#include "job/job_settings.h"

namespace marl {

// Makes the run's animations one after another, each prepared with the
// run's one random source (so each is the one a run of one animation after
// another makes) and its frames made in order, each on `settings.threads`
// cores in fast mode. Returns true when every frame of the range is written
// or was found made already.
bool runAnimationBatch(const JobSettings& settings,
                       const AnimationSettings& animation,
                       const BatchOptions& options, const Clock& clock,
                       std::ostream& out, std::ostream& err);

}  // namespace marl

#endif  // MARL_DRIVER_ANIMATION_BATCH_H_
