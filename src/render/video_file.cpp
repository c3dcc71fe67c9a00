#include "render/video_file.h"

#include <cerrno>
#include <cstring>
#include <new>

#include "base/escaped_text.h"
#include "render/image_file.h"

namespace marl {

std::unique_ptr<VideoEncoder> makeVideoEncoder(VideoFormat format) {
  switch (format) {
    case VideoFormat::Gif:
      return makeGifVideoEncoder();
    case VideoFormat::WebP:
      return makeWebpVideoEncoder();
    case VideoFormat::Mp4:
    case VideoFormat::WebM:
      break;
  }
  return makeFfmpegEncoder(format);
}

VideoFile::VideoFile(VideoFormat format, std::ostream& err)
    : format_(format), err_(err) {}

// The encoder closes its own handles on the temporary file before the
// file itself is removed.
VideoFile::~VideoFile() { encoder_.reset(); }

bool VideoFile::fail(const std::string& reason) {
  failed_ = true;
  encoder_.reset();
  reportWriteFailure(err_, fileName_, reason);
  return false;
}

bool VideoFile::begin(const std::string& fileName,
                      const VideoSettings& settings) {
  fileName_ = fileName;
  if (settings.width < 1 || settings.height < 1)
    return fail("a video needs at least one pixel a side");
  if (settings.fps < 1 || settings.fps > 1000)
    return fail("the frame rate must be 1 to 1000 frames a second");
  width_ = settings.width;
  height_ = settings.height;
  if (!file_.create(fileName)) return fail(std::strerror(errno));
  try {
    encoder_ = makeVideoEncoder(format_);
    std::string reason;
    if (!encoder_->begin(file_.name(), settings, reason)) return fail(reason);
  } catch (const std::bad_alloc&) {
    return fail("out of memory; give a smaller size");
  }
  return true;
}

bool VideoFile::addFrame(const Bitmap& frame) {
  if (failed_ || !encoder_) return false;
  if (!frame.ok() || frame.width() != width_ || frame.height() != height_)
    return fail("frame " + std::to_string(frames_) + " is not " +
                std::to_string(width_) + " x " + std::to_string(height_));
  try {
    std::string reason;
    if (!encoder_->addFrame(frame, reason)) return fail(reason);
  } catch (const std::bad_alloc&) {
    return fail("out of memory; give a smaller size");
  }
  ++frames_;
  return true;
}

bool VideoFile::finish(std::string* writtenName) {
  if (failed_ || !encoder_) return false;
  if (frames_ == 0) return fail("no frames to write");
  try {
    std::string reason;
    if (!encoder_->finish(reason)) return fail(reason);
  } catch (const std::bad_alloc&) {
    return fail("out of memory; give a smaller size");
  }
  const std::string warning = encoder_->warning();
  encoder_.reset();
  if (!file_.close()) return fail(std::strerror(errno));
  std::string name;
  if (!placeFinishedFile(file_, fileName_, err_, &name)) {
    failed_ = true;
    return false;
  }
  if (!warning.empty())
    err_ << "marl: warning: '" << Escaped{name} << "': " << warning
         << std::endl;
  if (writtenName) *writtenName = name;
  return true;
}

}  // namespace marl
