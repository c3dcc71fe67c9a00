#ifndef MARL_JOB_JOB_SETTINGS_H_
#define MARL_JOB_JOB_SETTINGS_H_

#include <cstdint>
#include <optional>
#include <string>

#include "render/image_format.h"

namespace marl {

// What the user asked of every picture of a run, with the limits already
// applied. An empty optional is a value each job draws for itself; the
// job never sees where a value came from.
struct JobSettings {
  static constexpr uint32_t kDefaultSide = 1201;
  // Largest picture side we accept: the grid alone then takes about 1 GB.
  static constexpr uint32_t kMaxSide = 16384;

  // R0, G0, B0, R1, G1, B1, each 0..255.
  std::optional<uint32_t> channels[6];
  std::string basename = "symmetric_square";
  int64_t iterationMaximum = 200000000;
  // The image= value as given ("jpeg" when none), echoed as it is, and the
  // format it selects.
  std::string imageWord = "jpeg";
  const ImageFormat* format = &imageFormats().front();
  int32_t detail = 6;
  uint32_t side = kDefaultSide;

  bool quazi = false;
  // Read only with quazi. qline is 5..42 and qsize at most kMaxSide; qx and
  // qy are at least 20 and are lowered to the job's qsize once it is known.
  std::optional<int32_t> qline;
  std::optional<int32_t> qsize;
  std::optional<int32_t> qx;
  std::optional<int32_t> qy;
  std::optional<double> qscale;  // 0.05..3.0
  std::optional<double> qsep;    // 0.01..0.1
};

}  // namespace marl

#endif  // MARL_JOB_JOB_SETTINGS_H_
