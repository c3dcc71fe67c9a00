#ifndef MARL_JOB_JOB_SETTINGS_H_
#define MARL_JOB_JOB_SETTINGS_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "colour/density_filter.h"
#include "colour/gradient.h"
#include "colour/background.h"
#include "image/image_format.h"
#include "colour/tone.h"

namespace marl {

// A map the user gives (from a recipe) instead of letting the job draw one.
struct GivenMap {
  int32_t linearCoefficient = 0;
  double offset = 0.0;
  double startX = 0.0;
  double startY = 0.0;
  std::vector<double> coefficients;  // detail x detail, row by row
  int32_t imageNumber = 0;
  // Which attempt of its run the map was (1 for the first): a restarted
  // attempt counts its steps from 1, so its orbit is counted one step
  // earlier.
  int32_t attempt = 1;
};

// How counts become colours, beyond the two colours of R0..B1. With every
// value at its default the picture is coloured exactly as it always was.
struct ColourSettings {
  // colors= with more than two stops, 0xRRGGBB, from the emptiest cells to
  // the fullest; two stops are given as the channels R0..B1 instead.
  std::vector<uint32_t> stops;
  // palette=: a built-in palette's name or "random"; empty when not given.
  std::string palette;
  bool reverse = false;
  Blend blend = Blend::Rgb;
  Tone tone = Tone::Equalize;
  double gamma = 1.0;  // 0.1..10
  // The density estimate on the counts, before the tone curve; stills
  // have none unless asked, an animation's frames have it by default.
  FilterKind filter = FilterKind::None;
  DensityFilter density{DefaultDensityRadius, DefaultDensityCurve, true};

  static constexpr double DefaultDensityRadius = 4.0;
  static constexpr double DefaultDensityCurve = 0.3;
};

// What the user asked of every picture of a run, with the limits already
// applied. An empty optional is a value each job draws for itself; the
// job never sees where a value came from.
struct JobSettings {
  static constexpr uint32_t DefaultSide = 1201;
  // Largest side of the torus and of a picture: the grid alone then takes
  // about 17 GB.
  static constexpr uint32_t MaxSide = 65535;
  // A drawn qsize stays within the limit it always had, so that a run
  // without qsize makes the tiling it always made.
  static constexpr uint32_t MaxDrawnQsize = 16384;

  // R0, G0, B0, R1, G1, B1, each 0..255.
  std::optional<uint32_t> channels[6];
  ColourSettings colour;
  std::string basename = "symmetric_square";
  int64_t iterationMaximum = 200000000;
  // The image= value as given ("jpeg" when none), echoed as it is, and the
  // format it selects.
  std::string imageWord = "jpeg";
  const ImageFormat* format = &imageFormats().front();
  int32_t detail = 6;
  uint32_t side = DefaultSide;
  // The picture is a width x height cut (each the side when not given) from
  // the plane the side x side torus tiles, moved by shiftX and shiftY
  // periods (each in [0, 1]; 1 is a whole period, as 0).
  std::optional<uint32_t> width;
  std::optional<uint32_t> height;
  double shiftX = 0.0;
  double shiftY = 0.0;
  // Bits a sample, 8 or 16; 16 only where the format holds it.
  int depth = 8;
  // What the cells no orbit visited become; Transparent only where the
  // format has alpha.
  Background background;
  // The lossy formats' quality, 1..100, or 0 for the format's default;
  // `lossless` for a lossless WebP. Both only where the format uses them.
  int quality = 0;
  bool lossless = false;

  // Fast paints the density of many orbits of the accepted map on every
  // core and SIMD lane instead of the one exact orbit's.
  enum class Mode { Exact, Fast };
  Mode mode = Mode::Exact;
  // Cores one job may use: its fast orbits, its tiling picture.
  unsigned threads = 1;

  // Whether the hit grid is written beside the picture, and how often (in
  // minutes, 0 for never) it is rewritten while counting.
  bool keepCounts = false;
  double checkpointMinutes = 0.0;
  // Whether a checkpoint may copy the counts to write them beside the
  // orbit; set by the memory check, false where the copy would pass the
  // memory marl may use (the orbit then waits while each is written).
  bool checkpointCopy = true;
  // The counts file the options came from, whose counts are taken instead
  // of counting them again; empty when there is none.
  std::string countsSource;

  bool quazi = false;
  // Read only with quazi. qline is 5..42 and qsize at most MaxSide; qx and
  // qy are at least 20 and are lowered to the job's qsize once it is known.
  std::optional<int32_t> qline;
  std::optional<int32_t> qsize;
  std::optional<int32_t> qx;
  std::optional<int32_t> qy;
  std::optional<double> qscale;  // 0.05..3.0
  std::optional<double> qsep;    // 0.01..0.1
  // Whether qx, qy are used as they are instead of being lowered: a
  // recipe's are those its tiling was made with.
  bool keepQx = false;
  bool keepQy = false;

  // With a map given the job draws no map and makes no fill check; with
  // spacings given (one per family, each in [0, 1)) the tiling draws none.
  std::optional<GivenMap> map;
  std::optional<std::vector<double>> spacingUnits;

  // seed=: the run's draws start from it instead of the clock's second.
  std::optional<uint32_t> seed;
};

}  // namespace marl

#endif  // MARL_JOB_JOB_SETTINGS_H_
