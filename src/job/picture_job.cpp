#include "job/picture_job.h"

#include "job/picture_colours.h"
#include "job/picture_files.h"

namespace marl {

bool finishPicture(PreparedPicture& picture, JobConsole& console,
                   std::vector<std::string>* written) {
  const PicturePlan& plan = picture.plan;
  if (!picture.hits->finish(plan)) return false;
  HitGrid& grid = picture.hits->grid();
  const PictureColours colours = colourHits(plan, grid, false);
  return writePictures(plan, grid, colours.files, console, written);
}

}  // namespace marl
