#ifndef MARL_JOB_PICTURE_JOB_H_
#define MARL_JOB_PICTURE_JOB_H_

#include <atomic>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "attractor/fast_orbits.h"
#include "attractor/hit_grid.h"
#include "attractor/run_control.h"
#include "attractor/run_observer.h"
#include "attractor/torus_map.h"
#include "base/random_source.h"
#include "job/job_settings.h"
#include "job/output_names.h"
#include "quazi/quazi_image.h"
#include "colour/count_colours.h"
#include "colour/palettes.h"
#include "base/picture_rows.h"
#include "colour/torus_view.h"

namespace marl {

// The values one picture is made with, after its own draws.
struct PictureParameters {
  uint32_t startColour = 0;  // 0xAARRGGBB
  uint32_t finishColour = 0;
  // The palette the picture is coloured with, or nullptr for the colours
  // above (or colors=).
  const Palette* palette = nullptr;
  bool quazi = false;
  QuaziSettings quaziSettings = {};  // meaningful only with quazi
};

// Where the kept attempt's orbit started, and what it is called.
struct StartOfMap {
  double x = 0.0;
  double y = 0.0;
  int32_t imageNumber = 0;
  int32_t attempt = 1;  // 1 for the run's first attempt
};

// Makes one picture. prepare() takes every draw the picture needs, in the
// order of draw_sequence.h, and finds the attempt the fill check keeps;
// finish() does the rest (the remaining iterations, colouring, the tiling
// picture and writing), which draws nothing and so may run later or on
// another thread. Console lines go to `out`, diagnostics to `err`.
class PictureJob {
 public:
  PictureJob(const JobSettings& settings, std::ostream& out,
             std::ostream& err);
  PictureJob(const PictureJob&) = delete;
  PictureJob& operator=(const PictureJob&) = delete;

  // Adds the job's map steps to `steps` as they are taken, for a progress
  // display; call before prepare.
  void countStepsInto(std::atomic<int64_t>& steps) { steps_ = &steps; }

  // Returns false when the job cannot go on (its grid cannot be allocated);
  // that has been reported on `err`.
  bool prepare(RandomSource& random, std::time_t now);
  // Returns false when a requested file was not written (reported on `err`).
  bool finish();
  // finish() in its two steps, for a caller that writes one picture while
  // the next one's orbit runs: the remaining iterations, then colouring and
  // writing. Each returns false when the picture cannot be made (reported).
  bool countHits();
  bool writePictures();
  // writePictures for a frame of a video: writes no file unless `files`;
  // then, unless a file failed, hands the attractor picture's 8-bit
  // colours (the cut the settings ask for) to `video` as rows.
  bool writePictures(bool files,
                     const std::function<void(RowSource&)>& video);

  const JobSettings& settings() const { return settings_; }
  const PictureParameters& parameters() const { return parameters_; }
  const OutputNames& names() const { return names_; }
  const TorusMap& map() const { return map_; }
  const HitGrid& grid() const { return grid_; }
  const std::vector<double>& spacingUnits() const { return spacingUnits_; }
  const StartOfMap& start() const { return start_; }
  // The text written into its pictures; set by prepare.
  const std::string& recipe() const { return recipe_; }

 private:
  // Steps 1 to 4 of the draw sequence, with the settings' echo.
  bool drawParameters(RandomSource& random);
  void drawQuaziParameters(RandomSource& random);
  int32_t givenPosition(const char* key, int32_t given, int32_t qsize);
  // A fresh map, start point and image number, and the file names.
  void randomize(RandomSource& random);
  void findAttractor(RandomSource& random);
  // Takes the given map instead of drawing one.
  void takeGivenMap(const GivenMap& given);
  bool allocateGrid(uint32_t side);
  // The iterations left after prepare, exact or fast as the settings say.
  void finishOrbit();
  // A named palette is taken as the colours are drawn, so that the echo
  // shows its ends; palette=random waits for the picture's number.
  void takeNamedPalette();
  void takeRandomPalette();
  // The picture's colours for the grid's counts: today's two-colour
  // equalisation, kept bit for bit, unless a palette, more stops, OKLab
  // blending or another tone curve is asked for; with the 16-bit table for
  // `depth` 16.
  CountColours countColours(int depth);
  // The cut the settings ask for.
  TorusView pictureView() const;
  bool writePicture(RowSource& rows, const std::string& fileName);
  bool writeQuaziPicture(const CountColours& colours);
  // A frame's fast finish, from the animation's shared start points.
  void finishFrameOrbit(const FrameOfAnimation& frame);
  // Adds fast hits as they are counted to the progress counter and prints
  // the progress lines the exact loop would print from iteration `from`.
  FastOrbitProgress fastProgress(int64_t from);

  const JobSettings settings_;
  std::ostream& out_;
  std::ostream& err_;
  PictureParameters parameters_;
  TorusMap map_;
  HitGrid grid_;
  OutputNames names_;
  std::vector<double> spacingUnits_;
  StartOfMap start_;
  std::string recipe_;
  ConsoleRunObserver printer_;
  std::atomic<int64_t>* steps_ = nullptr;
  std::optional<OrbitRun> run_;
};

}  // namespace marl

#endif  // MARL_JOB_PICTURE_JOB_H_
