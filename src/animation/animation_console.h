#ifndef MARL_ANIMATION_ANIMATION_CONSOLE_H_
#define MARL_ANIMATION_ANIMATION_CONSOLE_H_

#include <cstdint>
#include <string>

#include "job/job_console.h"

namespace marl {

// Where an animation tells what it does: its first picture's echo and fill
// check as a picture job tells them, its path's diagnostics, and each frame
// and video once written.
class AnimationConsole : public JobConsole {
 public:
  virtual void frameWritten(int32_t index, int32_t frames,
                            const std::string& fileName) = 0;
  virtual void videoWritten(int64_t frames, const std::string& fileName) = 0;
};

}  // namespace marl

#endif  // MARL_ANIMATION_ANIMATION_CONSOLE_H_
