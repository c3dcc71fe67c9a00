#ifndef MARL_VIDEO_VIDEO_ENCODER_H_
#define MARL_VIDEO_VIDEO_ENCODER_H_

#include <memory>
#include <string>

#include "base/picture_rows.h"
#include "video/video_format.h"

namespace marl {

// What a video is made from, besides its frames. A plain struct: the
// defaults are the measured choices (bench/video_bench.cpp). On a rendered
// 1080 loop, x264 at CRF 16 "veryfast" keeps the luma within 36 dB PSNR
// of the frames' own 4:2:0 conversion for an eighth of the render's CPU
// time, and its memory stops growing after a few frames; "faster" and
// "medium" cost more time and memory for less gain.
struct VideoSettings {
  int width = 0;   // every frame's size, in pixels
  int height = 0;
  int fps = 30;    // frames a second, 1 to 1000
  // Stored in the file where its format keeps text: the MP4 and WebM
  // comment tag, a GIF Comment Extension, a WebP XMP packet.
  std::string embeddedText;
  // H.264 and VP9 constant-quality levels (lower is better and larger),
  // x264's speed preset, and WebP's lossy quality (0 to 100).
  int h264Crf = 16;
  std::string h264Preset = "veryfast";
  int vp9Crf = 30;
  // MP4 and WebM in 4:4:4 (every pixel's colour) instead of 4:2:0.
  bool fullChroma = false;
  int webpQuality = 75;
};

// Writes one video file, frame by frame, as the frames are made: memory
// stays a few frames' worth (the encoder's own look-ahead) however many
// come, except for WebP, whose library keeps the compressed frames until
// the end. Frames play in the order given and the file loops back from the
// last to the first, so a closed loop is given without repeating frame 0.
// Calls go begin, addFrame for each frame, finish; after a failure the
// object is only good for destruction. Every failure is false with a
// reason that can follow "cannot write 'NAME': ". The same frames and
// settings always give the same bytes.
class VideoEncoder {
 public:
  virtual ~VideoEncoder() = default;
  // Starts the file at `path`, which exists and is empty (a temporary file
  // of the caller's, that the caller renames when all went well).
  virtual bool begin(const std::string& path, const VideoSettings& settings,
                     std::string& error) = 0;
  // `frame` gives settings.width x settings.height rows of 8-bit RGB,
  // without alpha (VideoFile has laid any over black), each row once, top
  // to bottom, unless it says it is rereadable.
  virtual bool addFrame(RowSource& frame, std::string& error) = 0;
  // Writes what the encoder holds back and the file's end.
  virtual bool finish(std::string& error) = 0;
  // Something the user should know about the finished file ("" if none),
  // such as colours reduced for GIF.
  virtual std::string warning() const { return std::string(); }
};

// GIF and animated WebP, made in the program; MP4 and WebM come from the
// video module (video/video_module.h).
std::unique_ptr<VideoEncoder> makeGifVideoEncoder();
std::unique_ptr<VideoEncoder> makeWebpVideoEncoder();

}  // namespace marl

#endif  // MARL_VIDEO_VIDEO_ENCODER_H_
