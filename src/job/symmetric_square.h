#ifndef MARL_JOB_SYMMETRIC_SQUARE_H_
#define MARL_JOB_SYMMETRIC_SQUARE_H_

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "attractor/hit_grid.h"
#include "attractor/map_parameters.h"
#include "attractor/random_source.h"
#include "attractor/torus_map.h"
#include "render/colour_renderer.h"

namespace marl {

class ArgumentMap;
class Bitmap;

// The settings one picture is made with, after limits and random defaults.
struct JobParameters {
  uint32_t startColour = 0;   // 0xAARRGGBB
  uint32_t finishColour = 0;
  std::string basename = "symmetric_square";
  int32_t iterationMaximum = 200000000;
  int32_t imageType = 1;      // see ImageType
  std::string extension;
  int32_t detail = 6;
  bool quazi = false;
  // Meaningful only when quazi is set.
  int32_t qline = 0;
  int32_t qsize = 0;
  int32_t qx = 0;
  int32_t qy = 0;
  double qscale = 0.0;
  double qsep = 0.0;
};

// The job that makes one picture: main builds one per image and calls
// readParameters, randomize, run and saveImage on it, in that order.
class SymmetricSquare {
 public:
  // Largest picture side we accept: the grid alone then takes about 1 GB.
  static constexpr uint32_t MaxSide = 16384;
  static constexpr uint32_t DefaultSide = 1201;

  // Console lines go to `out`, diagnostics to `err`. Moves the random engine
  // on by the clock's second and draws the job's colour slots.
  SymmetricSquare(std::ostream& out, std::ostream& err, const Clock& clock);

  // Takes the options from `map`, limits them, draws what is left open and
  // echoes the settings. Returns false when the job cannot go on (its grid
  // cannot be allocated); that has been reported on `err`.
  bool readParameters(const ArgumentMap& map);

  // Draws a fresh map, start point and image number, and names the files.
  void randomize();

  // Iterates the map into the hit grid, restarting with a fresh map while
  // the orbit fills too little of the square.
  void run();

  // Renders the grid and writes the picture, then the tiling picture when
  // asked for. Returns false when a requested file was not written (the
  // reason has been reported on `err`).
  bool saveImage();

  const JobParameters& parameters() const { return parameters_; }
  const OutputNames& names() const { return names_; }
  uint32_t size() const { return grid_.size(); }
  const HitGrid& grid() const { return grid_; }

 private:
  uint32_t readColour(const ArgumentMap& map, const char* red,
                      const char* green, const char* blue);
  // Applies `side` as the picture side; false when it cannot be allocated.
  bool resize(uint32_t side);
  void readQuaziParameters(const ArgumentMap& map);
  int32_t limitSide(int32_t side, const char* key, bool given);
  bool saveQuaziImage(const Bitmap& attractor);

  std::ostream& out_;
  std::ostream& err_;
  JobParameters parameters_;
  TorusMap map_;
  HitGrid grid_;
  ColourRenderer renderer_;
  uint32_t spareColours_[4] = {};
  OutputNames names_;
};

}  // namespace marl

#endif  // MARL_JOB_SYMMETRIC_SQUARE_H_
