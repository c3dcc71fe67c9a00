#include "job/picture_job.h"

#include "job/kept_counts.h"
#include "job/picture_colours.h"
#include "job/picture_files.h"

namespace marl {

bool finishPicture(PreparedPicture& picture, JobConsole& console) {
  const PicturePlan& plan = picture.plan;
  KeptCounts kept(plan, *picture.hits, console);
  if (!kept.begin() || !picture.hits->finish(plan)) return false;
  const bool countsWritten = kept.end();
  HitGrid& grid = picture.hits->grid();
  // A place for a density filter over the counts, before they are coloured.
  const PictureColours colours = colourHits(plan, grid, false);
  return writePictures(plan, grid, colours.files, console) && countsWritten;
}

}  // namespace marl
