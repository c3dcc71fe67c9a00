#include "job/picture_job.h"

#include "job/kept_counts.h"
#include "job/picture_colours.h"
#include "job/picture_files.h"

namespace marl {

bool finishPicture(PreparedPicture& picture, JobConsole& console,
                   std::vector<std::string>* written) {
  const PicturePlan& plan = picture.plan;
  KeptCounts kept(plan, *picture.hits, console);
  if (!kept.begin() || !picture.hits->finish(plan)) return false;
  const bool countsWritten = kept.end();
  HitGrid& grid = picture.hits->grid();
  // Kept before colouring, which may filter the counts in place.
  const PictureColours colours = colourHits(plan, grid, false);
  return writePictures(plan, grid, colours.files, console, written) &&
         countsWritten;
}

}  // namespace marl
