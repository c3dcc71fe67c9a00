#include "job/picture_plan.h"

namespace marl {

PictureOptions optionsOf(const JobSettings& s) {
  PictureOptions o;
  o.basename = s.basename;
  o.format = s.format;
  o.depth = s.depth;
  o.background = s.background;
  o.quality = s.quality;
  o.lossless = s.lossless;
  o.colour = s.colour;
  o.iterationMaximum = s.iterationMaximum;
  o.side = s.side;
  o.width = s.width;
  o.height = s.height;
  o.shiftX = s.shiftX;
  o.shiftY = s.shiftY;
  o.mode = s.mode;
  o.threads = s.threads;
  o.seed = s.seed;
  o.keepCounts = s.keepCounts;
  o.checkpointMinutes = s.checkpointMinutes;
  o.checkpointCopy = s.checkpointCopy;
  o.countsSource = s.countsSource;
  return o;
}

TorusView pictureView(const PictureOptions& o) {
  return TorusView(o.side, o.width.value_or(o.side), o.height.value_or(o.side),
                   o.shiftX, o.shiftY);
}

}  // namespace marl
