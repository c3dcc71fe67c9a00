#ifndef MARL_JOB_OUTPUT_NAMES_H_
#define MARL_JOB_OUTPUT_NAMES_H_

#include <cstdint>
#include <string>

namespace marl {

struct OutputNames {
  std::string fileName;       // the attractor picture
  std::string quaziFileName;  // the tiling picture
  std::string countsFileName;  // its hit grid, when kept
};

// "<basename><number, six digits at least>.<extension>" and the same with
// "_quazi" before the number. Any length of base name is kept whole.
OutputNames makeOutputNames(const std::string& basename, long imageNumber,
                            const std::string& extension);

// The names of frame `frame` of an animation: "_f" and the frame index,
// zero-padded to `digits`, after the number ("a012345_f0007.jpg").
OutputNames makeFrameNames(const std::string& basename, long imageNumber,
                           const std::string& extension, int32_t frame,
                           int32_t digits);

}  // namespace marl

#endif  // MARL_JOB_OUTPUT_NAMES_H_
