#ifndef MARL_VIDEO_VIDEO_FILE_H_
#define MARL_VIDEO_VIDEO_FILE_H_

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>

#include "base/picture_rows.h"
#include "files/durable_file.h"
#include "video/video_encoder.h"

namespace marl {

// One video file written as its frames are made:
//
//   VideoFile video(VideoFormat::Mp4, std::cerr);
//   if (!video.begin("loop000001.mp4", settings)) ...;
//   for (each frame) if (!video.addFrame(rows)) ...;
//   if (!video.finish(&written)) ...;
//
// The file grows in a DurableFile (files/durable_file.h) and gets its name
// in finish, as a picture does: synced before the rename, never replacing
// anything (the first free NAME-2.EXT, ... with a warning), the folder
// synced after. Until then, and whatever fails, no file exists under the
// name. MP4 and WebM load the video module (video/video_module.h) in
// begin; one that cannot be loaded fails begin. Each failure prints
// "marl: error: cannot write 'NAME': REASON" on `err` and returns false,
// and every later call then returns false silently. What the user should
// know about a finished file (an odd side left out, colours reduced) is a
// warning on `err`.
class VideoFile {
 public:
  VideoFile(VideoFormat format, std::ostream& err);
  ~VideoFile();
  VideoFile(const VideoFile&) = delete;
  VideoFile& operator=(const VideoFile&) = delete;

  // `judge`, when given, says what a file found under the name at finish
  // is (see DurableFile): a twin is left in place, a broken one replaced.
  bool begin(const std::string& fileName, const VideoSettings& settings,
             const FoundFileJudge& judge = {});
  // `frame` gives the rows of one frame: the size given to begin, 8 bits a
  // sample, RGB or RGBA with unassociated alpha, read once top to bottom
  // (twice, for GIF, when it is rereadable). No video holds alpha: an RGBA
  // pixel shows over black, each channel c * a / 255 rounded to nearest,
  // so a transparent one is black.
  bool addFrame(RowSource& frame);
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
  DurableFile file_;
  std::string fileName_;
  int width_ = 0;
  int height_ = 0;
  int64_t frames_ = 0;
  bool failed_ = false;
};

}  // namespace marl

#endif  // MARL_VIDEO_VIDEO_FILE_H_
