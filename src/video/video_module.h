#ifndef MARL_VIDEO_VIDEO_MODULE_H_
#define MARL_VIDEO_VIDEO_MODULE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "video/video_encoder.h"
#include "video/video_format.h"

namespace marl {

// The bytes of a file, for a reader in the video module: the program's
// reader owns the file and its read budget.
class MediaInput {
 public:
  virtual ~MediaInput() = default;
  // Bytes read into `buffer`, up to `size`; 0 at the end or on an error.
  virtual std::size_t read(unsigned char* buffer, std::size_t size) = 0;
  // The errno of a failed read, or 0.
  virtual int readError() const = 0;
  virtual std::uint64_t size() const = 0;
  virtual std::uint64_t position() const = 0;
  virtual void seek(std::uint64_t offset) = 0;
};

// What reading a video's comment tag found.
struct MediaComment {
  bool opened = false;  // the demuxer read the file's header and tags
  std::string text;     // the comment tag, "" if none
  std::string error;    // when not opened: the library's reason
};

// What the video module, marl-video.so, gives the program: everything
// that needs FFmpeg's libraries. Its objects are made and used in this
// process, so the module and the program must come from one build (the
// loader checks VideoModuleInterface).
class VideoModule {
 public:
  // The encoder of `format` (MP4 or WebM), or nullptr for another format.
  virtual std::unique_ptr<VideoEncoder> makeEncoder(
      VideoFormat format) const = 0;
  // The comment tag of the file `input` holds, read by FFmpeg's `demuxer`
  // ("mov" for MP4, "matroska" for WebM), which seeks past the frames.
  virtual MediaComment readComment(MediaInput& input,
                                   const char* demuxer) const = 0;

 protected:
  ~VideoModule() = default;
};

// Bumped whenever this header changes: a module built from another
// header is refused rather than called.
constexpr int VideoModuleInterface = 1;

// The name the module's one exported function has:
//   extern "C" const marl::VideoModule* marl_video_module(int interface);
// returning nullptr for an interface other than its own.
constexpr const char* VideoModuleEntry = "marl_video_module";
constexpr const char* VideoModuleFile = "marl-video.so";

// The video module, loaded on the first call (the program links no FFmpeg
// library, so a run that writes and reads no MP4 or WebM never loads
// one). It is looked for beside the running program (a build tree) and
// in ../lib/marl/ from it (an installed one). nullptr when it cannot be
// loaded, with `error` saying which paths were tried and why each failed,
// in words that can follow "cannot write 'NAME': ". Safe from any thread.
const VideoModule* videoModule(std::string& error);

}  // namespace marl

#endif  // MARL_VIDEO_VIDEO_MODULE_H_
