#ifndef MARL_JOB_PICTURE_PLAN_H_
#define MARL_JOB_PICTURE_PLAN_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "attractor/torus_map.h"
#include "colour/grid_rows.h"
#include "colour/palettes.h"
#include "colour/torus_view.h"
#include "image/image_format.h"
#include "job/job_settings.h"
#include "job/output_names.h"
#include "quazi/quazi_image.h"

namespace marl {

// What the options fix for every picture of a run: how its orbit is
// counted, its colours found and its files written. Copied from the
// settings once; no stage after the draws reads the settings.
struct PictureOptions {
  std::string basename;
  const ImageFormat* format = nullptr;
  int depth = 8;
  Background background;
  int quality = 0;
  bool lossless = false;
  ColourSettings colour;
  int64_t iterationMaximum = 0;
  uint32_t side = 0;
  // The cut from the plane the torus tiles (see JobSettings).
  std::optional<uint32_t> width;
  std::optional<uint32_t> height;
  double shiftX = 0.0;
  double shiftY = 0.0;
  JobSettings::Mode mode = JobSettings::Mode::Exact;
  unsigned threads = 1;
  std::optional<uint32_t> seed;  // the run's, for its recipe and catalogue
  // See JobSettings.
  bool keepCounts = false;
  double checkpointMinutes = 0.0;
  bool checkpointCopy = true;
  std::string countsSource;
};

PictureOptions optionsOf(const JobSettings& settings);
// The cut the options ask for.
TorusView pictureView(const PictureOptions& options);

// What makes a picture one frame of an animation. Its file names carry the
// frame index, and its recipe is the animation's with the index added, so
// that any frame makes the whole animation again.
struct FrameOfAnimation {
  int32_t index = 0;
  int32_t digits = 4;  // of the index in file names
  // The animation's recipe lines, without the index and the check line.
  std::string recipeLines;
  // Points on the animation's attractor, shared by every frame: a fast frame
  // settles them onto its own map instead of running an exact warm-up.
  std::shared_ptr<const std::vector<std::pair<double, double>>> fastStarts;
};

// One picture with every value settled, drawn or given: all that counting,
// colouring and writing need, so that they take no draw. A frame of an
// animation is its animation's plan with the map moved along the path.
struct PicturePlan {
  PictureOptions options;
  // 0xAARRGGBB; a named palette's two ends.
  uint32_t startColour = 0;
  uint32_t finishColour = 0;
  // The palette the picture is coloured with, or nullptr for the colours
  // above (or the options' stops).
  const Palette* palette = nullptr;
  // The map at the start point of its kept attempt.
  TorusMap map;
  int32_t imageNumber = 0;
  int32_t attempt = 1;  // 1 for the run's first attempt
  // The share of the grid the kept attempt had filled at its fill check;
  // none when its map faced none (a given map, a run too short for one).
  std::optional<double> fill;
  // With the tiling: its values and one spacing per line family.
  std::optional<QuaziSettings> tiling;
  std::vector<double> spacingUnits;
  std::optional<FrameOfAnimation> frame;
  OutputNames names;
  // The text written into its pictures.
  std::string recipe;
};

}  // namespace marl

#endif  // MARL_JOB_PICTURE_PLAN_H_
