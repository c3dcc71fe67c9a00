// The comment tag of an MP4 or WebM file, read by the video module through
// the BoundedFile, so that its budget holds for FFmpeg's reads too.
#include "readers/embedded_text_readers.h"
#include "video/video_module.h"

namespace marl {

namespace {

class BoundedInput : public MediaInput {
 public:
  explicit BoundedInput(BoundedFile& file) : file_(file) {}
  std::size_t read(unsigned char* buffer, std::size_t size) override {
    return file_.read(buffer, size);
  }
  int readError() const override { return file_.readError(); }
  std::uint64_t size() const override { return file_.size(); }
  std::uint64_t position() const override { return file_.position(); }
  void seek(std::uint64_t offset) override { file_.seek(offset); }

 private:
  BoundedFile& file_;
};

}  // namespace

void readMediaText(BoundedFile& file, const char* demuxer,
                   EmbeddedTextResult& result) {
  std::string error;
  const VideoModule* module = videoModule(error);
  if (!module) {
    result.status = EmbeddedTextResult::Unsupported;
    result.reason = error + "; install marl again to read this " +
                    result.format + " video's text";
    return;
  }
  BoundedInput input(file);
  const MediaComment comment = module->readComment(input, demuxer);
  if (!comment.opened)
    failReading(file, file.reachedEnd(), comment.error, result);
  else if (file.exhaustedBudget() || file.readError() != 0)
    failReading(file, false, "", result);
  else
    foundTexts({comment.text}, result);
}

}  // namespace marl
