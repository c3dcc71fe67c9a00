#ifndef MARL_JOB_PICTURE_DRAWS_H_
#define MARL_JOB_PICTURE_DRAWS_H_

#include "base/random_source.h"
#include "job/job_console.h"
#include "job/job_settings.h"
#include "job/picture_plan.h"

namespace marl {

// The draws of the values the options leave open, steps 3 and 4 of
// draw_sequence.h, interleaved with the settings' echo as the console shows
// it; preparePicture calls them in turn, allocating the grid between them.

// Step 3 and a named palette, then the echo up to the detail level.
void drawColours(const JobSettings& settings, RandomSource& random,
                 JobConsole& console, PicturePlan& plan);
// The echo of the picture's size, then with the tiling step 4.
void drawTiling(const JobSettings& settings, RandomSource& random,
                JobConsole& console, PicturePlan& plan);

}  // namespace marl

#endif  // MARL_JOB_PICTURE_DRAWS_H_
