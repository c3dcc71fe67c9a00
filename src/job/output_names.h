#ifndef MARL_JOB_OUTPUT_NAMES_H_
#define MARL_JOB_OUTPUT_NAMES_H_

#include <string>

namespace marl {

struct OutputNames {
  std::string fileName;       // the attractor picture
  std::string quaziFileName;  // the tiling picture
};

// "<basename><number, six digits at least>.<extension>" and the same with
// "_quazi" before the number. Any length of base name is kept whole.
OutputNames makeOutputNames(const std::string& basename, long imageNumber,
                            const std::string& extension);

}  // namespace marl

#endif  // MARL_JOB_OUTPUT_NAMES_H_
