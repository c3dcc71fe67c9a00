#include "animation/frame_videos.h"

#include <string>

#include "base/escaped_text.h"
#include "job/recipe.h"
#include "readers/frame_reader.h"

namespace marl {

bool FrameVideos::begin(const std::vector<VideoFormat>& formats,
                        const PicturePlan& plan, int fps,
                        JobConsole& console) {
  const TorusView view = pictureView(plan.options);
  VideoSettings video;
  // A cut (width=, height=) is what the frames show, so the videos too.
  width_ = video.width = int(view.width());
  height_ = video.height = int(view.height());
  video.fps = fps;
  video.embeddedText = withCheckLine(plan.frame->recipeLines);
  for (VideoFormat format : formats) {
    const std::string name =
        makeOutputNames(plan.options.basename, plan.imageNumber,
                        videoFormatInfo(format).extension)
            .fileName;
    videos_.push_back(std::make_unique<VideoFile>(format, errors_));
    // Judged by its bytes: the recipe does not hold the frame rate, and a
    // video reaches its name only whole.
    if (!videos_.back()->begin(name, video, judgeBySameBytes)) {
      videos_.clear();
      showErrors(console);
      console.error("no frame is made without its videos; leave out "
                    "video= or the format at fault");
      return false;
    }
  }
  return true;
}

void FrameVideos::add(RowSource& frame) {
  bool fed = true;
  for (const std::unique_ptr<VideoFile>& video : videos_)
    fed &= video->addFrame(frame);
  failed_ |= !fed;
}

bool FrameVideos::addFrom(const OutputNames& names, JobConsole& console) {
  std::string error;
  const std::unique_ptr<RowSource> frame =
      readPngFrame(names.fileName, width_, height_, error);
  if (frame) {
    add(*frame);
    showErrors(console);
    return true;
  }
  console.note("'", Escaped{names.fileName},
               "' holds this frame already but cannot be read back for the "
               "videos (", error, "); it is made again for them, and its "
               "files are left as they are");
  return false;
}

bool FrameVideos::finish(bool allFrames, AnimationConsole& console,
                         std::vector<std::string>* written) {
  if (videos_.empty()) return true;
  bool finished = allFrames && !failed_;
  if (!allFrames && !failed_) {
    console.error("no video is made: a frame is missing; run again once the "
                  "fault is mended (frames made are kept and not made "
                  "again)");
  }
  for (const std::unique_ptr<VideoFile>& video : videos_) {
    std::string name;
    if (finished && video->finish(&name)) {
      console.videoWritten(video->frames(), name);
      if (written) written->push_back(name);
    } else {
      finished = false;
    }
  }
  videos_.clear();
  showErrors(console);
  return finished;
}

void FrameVideos::showErrors(JobConsole& console) {
  console.diagnostics() << errors_.str();
  errors_.str("");
}

}  // namespace marl
