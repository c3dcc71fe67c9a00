#include "video/video_file.h"

#include <cerrno>
#include <cstring>
#include <new>

#include "base/escaped_text.h"
#include "image/image_file.h"

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

template <class Step>
bool VideoFile::guarded(Step step) {
  try {
    return step();
  } catch (const std::bad_alloc&) {
    // Every handle and the temporary file are owned, so nothing is left.
    return fail("out of memory; give a smaller size");
  }
}

bool VideoFile::begin(const std::string& fileName,
                      const VideoSettings& settings) {
  return guarded([&] {
    fileName_ = fileName;
    if (settings.width < 1 || settings.height < 1)
      return fail("a video needs at least one pixel a side");
    if (settings.fps < 1 || settings.fps > 1000)
      return fail("the frame rate must be 1 to 1000 frames a second");
    width_ = settings.width;
    height_ = settings.height;
    if (!file_.create(fileName)) return fail(std::strerror(errno));
    encoder_ = makeVideoEncoder(format_);
    std::string reason;
    return encoder_->begin(file_.name(), settings, reason) || fail(reason);
  });
}

bool VideoFile::addFrame(const Bitmap& frame) {
  if (failed_ || !encoder_) return false;
  return guarded([&] {
    if (!frame.ok() || frame.width() != width_ || frame.height() != height_)
      return fail("frame " + std::to_string(frames_) + " is not " +
                  std::to_string(width_) + " x " + std::to_string(height_));
    std::string reason;
    if (!encoder_->addFrame(frame, reason)) return fail(reason);
    ++frames_;
    return true;
  });
}

bool VideoFile::finish(std::string* writtenName) {
  if (failed_ || !encoder_) return false;
  return guarded([&] {
    if (frames_ == 0) return fail("no frames to write");
    std::string reason;
    if (!encoder_->finish(reason)) return fail(reason);
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
    // Without allocating: the file is in place, so nothing may throw now.
    if (writtenName) writtenName->swap(name);
    return true;
  });
}

}  // namespace marl
