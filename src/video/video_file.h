#ifndef MARL_VIDEO_VIDEO_FILE_H_
#define MARL_VIDEO_VIDEO_FILE_H_

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>

#include "image/bitmap.h"
#include "files/temporary_file.h"
#include "video/video_encoder.h"

namespace marl {

// One video file written as its frames are made:
//
//   VideoFile video(VideoFormat::Mp4, std::cerr);
//   if (!video.begin("loop000001.mp4", settings)) ...;
//   for (each frame) if (!video.addFrame(bitmap)) ...;
//   if (!video.finish(&written)) ...;
//
// The file grows in a temporary file beside its name and is renamed into
// place by finish, never replacing anything: when the name is taken, the
// first free NAME-2.EXT, NAME-3.EXT, ... is used with a warning, as for
// pictures. Until then, and whatever fails, no file exists under the name;
// the temporary file goes when the object goes, or with a termination
// signal. Each failure prints "marl: error: cannot write 'NAME': REASON" on
// `err` and returns false, and every later call then returns false
// silently. What the user should know about a finished file (an odd side
// left out, colours reduced) is a warning on `err`.
class VideoFile {
 public:
  VideoFile(VideoFormat format, std::ostream& err);
  ~VideoFile();
  VideoFile(const VideoFile&) = delete;
  VideoFile& operator=(const VideoFile&) = delete;

  bool begin(const std::string& fileName, const VideoSettings& settings);
  // `frame` must have the size given to begin.
  bool addFrame(const Bitmap& frame);
  // The name written goes to `*writtenName` when given.
  bool finish(std::string* writtenName = nullptr);

  int64_t frames() const { return frames_; }

 private:
  bool fail(const std::string& reason);
  // Runs `step`; running out of memory in it is a failure like any other.
  template <class Step>
  bool guarded(Step step);

  VideoFormat format_;
  std::ostream& err_;
  std::unique_ptr<VideoEncoder> encoder_;
  TemporaryFile file_;
  std::string fileName_;
  int width_ = 0;
  int height_ = 0;
  int64_t frames_ = 0;
  bool failed_ = false;
};

}  // namespace marl

#endif  // MARL_VIDEO_VIDEO_FILE_H_
