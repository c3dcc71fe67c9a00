#ifndef MARL_JOB_PICTURE_COLOURS_H_
#define MARL_JOB_PICTURE_COLOURS_H_

#include <optional>

#include "attractor/hit_grid.h"
#include "colour/count_colours.h"
#include "job/picture_plan.h"

namespace marl {

// The colour tables of one counted grid, each built once: those of the
// picture's files, at their depth, and for a frame of a video at depth 16
// the 8-bit ones its video shows (a 16-bit frame's video has always been
// made from the 8-bit colouring, not from its files' table).
struct PictureColours {
  CountColours files;
  std::optional<CountColours> video8;

  // The table a video frame is painted from.
  const CountColours& video() const { return video8 ? *video8 : files; }
};

// Today's two-colour equalisation, kept bit for bit, unless a palette, more
// stops, OKLab blending or another tone curve is asked for; with the
// 16-bit table for `depth` 16.
CountColours countColours(const PicturePlan& plan, HitGrid& grid,
                          int depth);

// The tables of `grid`, with the video's too when `forVideo`. The
// plan's filter first replaces the counts by their density estimate, and
// the two-colour equalisation refreshes the grid's count range.
PictureColours colourHits(const PicturePlan& plan, HitGrid& grid,
                          bool forVideo);

}  // namespace marl

#endif  // MARL_JOB_PICTURE_COLOURS_H_
