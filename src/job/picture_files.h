#ifndef MARL_JOB_PICTURE_FILES_H_
#define MARL_JOB_PICTURE_FILES_H_

#include <string>
#include <vector>

#include "attractor/hit_grid.h"
#include "colour/count_colours.h"
#include "colour/grid_rows.h"
#include "job/job_console.h"
#include "job/picture_plan.h"

namespace marl {

// The attractor picture, or the cut from it the plan asks for, as rows of
// `depth` bits coloured through `colours` (built for this grid).
GridRows pictureRows(const PicturePlan& plan, const HitGrid& grid,
                     const CountColours& colours, int depth);

// Writes the attractor picture and, with the tiling, the tiling picture
// (made even when the attractor file could not be written: it is a file of
// its own). False when either was not written (told). The names written
// (a taken name gives a numbered one) are added to `*written` when given.
bool writePictures(const PicturePlan& plan, const HitGrid& grid,
                   const CountColours& colours, JobConsole& console,
                   std::vector<std::string>* written = nullptr);

}  // namespace marl

#endif  // MARL_JOB_PICTURE_FILES_H_
