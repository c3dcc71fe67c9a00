#include "video/video_file.h"

#include <new>
#include <vector>

#include "base/escaped_text.h"
#include "video/video_module.h"

namespace marl {

namespace {

// A frame's rows with any alpha laid over black, as the encoders take them.
class OverBlack : public RowSource {
 public:
  explicit OverBlack(RowSource& frame) : frame_(frame) {
    shape_.width = frame.shape().width;
    shape_.height = frame.shape().height;
  }
  const PictureShape& shape() const override { return shape_; }
  bool rereadable() const override { return frame_.rereadable(); }
  void readRows(int first, int count, unsigned char* out) override {
    if (!frame_.shape().alpha) {
      frame_.readRows(first, count, out);
      return;
    }
    const std::size_t samples = std::size_t(count) * std::size_t(shape_.width);
    rgba_.resize(samples * 4);
    frame_.readRows(first, count, rgba_.data());
    const unsigned char* in = rgba_.data();
    for (std::size_t i = 0; i < samples; ++i, in += 4) {
      for (int c = 0; c < 3; ++c) *out++ = overBlack(in[c], in[3]);
    }
  }

 private:
  // c * a / 255 rounded to nearest, exactly.
  static unsigned char overBlack(uint32_t channel, uint32_t alpha) {
    const uint32_t t = channel * alpha + 128;
    return static_cast<unsigned char>((t + (t >> 8)) >> 8);
  }

  RowSource& frame_;
  PictureShape shape_;
  std::vector<unsigned char> rgba_;
};

// GIF and WebP from the program's own libraries, MP4 and WebM from the
// video module.
std::unique_ptr<VideoEncoder> makeVideoEncoder(VideoFormat format,
                                               std::string& error) {
  switch (format) {
    case VideoFormat::Gif:
      return makeGifVideoEncoder();
    case VideoFormat::WebP:
      return makeWebpVideoEncoder();
    case VideoFormat::Mp4:
    case VideoFormat::WebM:
      break;
  }
  const VideoModule* module = videoModule(error);
  if (!module) {
    error += "; install marl again, or choose video=gif or video=webp";
    return nullptr;
  }
  return module->makeEncoder(format);
}

}  // namespace

VideoFile::VideoFile(VideoFormat format, std::ostream& err)
    : format_(format), err_(err), file_(err) {}

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
                      const VideoSettings& settings,
                      const FoundFileJudge& judge) {
  return guarded([&] {
    fileName_ = fileName;
    if (settings.width < 1 || settings.height < 1)
      return fail("a video needs at least one pixel a side");
    if (settings.fps < 1 || settings.fps > 1000)
      return fail("the frame rate must be 1 to 1000 frames a second");
    width_ = settings.width;
    height_ = settings.height;
    std::string reason;
    // The module before the file: a run without it makes nothing.
    encoder_ = makeVideoEncoder(format_, reason);
    if (!encoder_) return fail(reason);
    if (!file_.create(fileName, judge)) {
      failed_ = true;
      encoder_.reset();
      return false;
    }
    return encoder_->begin(file_.temporaryName(), settings, reason) ||
           fail(reason);
  });
}

bool VideoFile::addFrame(RowSource& frame) {
  if (failed_ || !encoder_) return false;
  return guarded([&] {
    const PictureShape& shape = frame.shape();
    if (shape.width != width_ || shape.height != height_)
      return fail("frame " + std::to_string(frames_) + " is not " +
                  std::to_string(width_) + " x " + std::to_string(height_));
    if (shape.depth != 8)
      return fail("frame " + std::to_string(frames_) +
                  " is not 8 bits a sample, as a video's frames are");
    OverBlack rows(frame);
    std::string reason;
    if (!encoder_->addFrame(rows, reason)) return fail(reason);
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
    std::string name;
    if (!file_.finish(&name)) {
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
