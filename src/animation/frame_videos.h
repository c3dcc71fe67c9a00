#ifndef MARL_ANIMATION_FRAME_VIDEOS_H_
#define MARL_ANIMATION_FRAME_VIDEOS_H_

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "animation/animation_console.h"
#include "base/picture_rows.h"
#include "job/output_names.h"
#include "job/picture_plan.h"
#include "video/video_file.h"
#include "video/video_format.h"

namespace marl {

// The videos of one animation, fed its frames in order as they are made.
class FrameVideos {
 public:
  // One video of each format, named for the animation's `plan` and holding
  // its recipe, frames the size of its pictures; none without formats.
  // False when one cannot be begun (told): then there are none.
  bool begin(const std::vector<VideoFormat>& formats, const PicturePlan& plan,
             int fps, JobConsole& console);
  bool empty() const { return videos_.empty(); }

  // The one way a frame reaches the videos: its 8-bit rows, of the size
  // given to begin, added to every video. A video that fails says so (see
  // showErrors) and fails the run, not the frame.
  void add(RowSource& frame);
  // Adds a frame made already, read back from its file; false (with a
  // note) when it cannot be, and the frame is to be made again for them.
  bool addFrom(const OutputNames& names, JobConsole& console);
  // Finishes the videos when every frame went in; otherwise drops them.
  // False when a video is not made (told). The names of those made are
  // added to `*written` when given.
  bool finish(bool allFrames, AnimationConsole& console,
              std::vector<std::string>* written = nullptr);
  // Moves what the videos reported, on whichever thread, to the console.
  void showErrors(JobConsole& console);

 private:
  std::ostringstream errors_;
  std::vector<std::unique_ptr<VideoFile>> videos_;
  int width_ = 0;
  int height_ = 0;
  bool failed_ = false;  // told as it happened
};

}  // namespace marl

#endif  // MARL_ANIMATION_FRAME_VIDEOS_H_
