#include <gif_lib.h>

#include <algorithm>
#include <optional>
#include <string>

#include "image/gif_palette.h"
#include "video/video_encoder.h"

namespace marl {

namespace {

// Browsers show a GIF frame for at least 2 hundredths of a second.
constexpr int ShortestDelay = 2;

class GifVideoEncoder : public VideoEncoder {
 public:
  bool begin(const std::string& path, const VideoSettings& settings,
             std::string& error) override;
  bool addFrame(RowSource& frame, std::string& error) override;
  bool finish(std::string& error) override;
  std::string warning() const override;

 private:
  bool failed(int status, std::string& error) {
    const char* text = GifErrorString(status);
    error = text ? text : "unknown giflib error";
    return false;
  }
  bool putLoopForever();
  // Hundredths of a second from the start to frame `index`, to the nearest.
  int64_t startOf(int64_t index) const {
    return (index * 100 + fps_ / 2) / fps_;
  }

  GifWriter gif_;
  int fps_ = 0;
  int64_t frames_ = 0;
  int64_t reducedFrames_ = 0;
  IndexedPicture picture_;
};

// The application extension that browsers read as "loop forever".
bool GifVideoEncoder::putLoopForever() {
  static const char Name[] = "NETSCAPE2.0";
  static const unsigned char Forever[] = {1, 0, 0};
  GifFileType* const gif = gif_.get();
  return EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
         EGifPutExtensionBlock(gif, 11, Name) == GIF_OK &&
         EGifPutExtensionBlock(gif, 3, Forever) == GIF_OK &&
         EGifPutExtensionTrailer(gif) == GIF_OK;
}

bool GifVideoEncoder::begin(const std::string& path,
                            const VideoSettings& settings,
                            std::string& error) {
  if (settings.width > GifMaxSide || settings.height > GifMaxSide) {
    error = "picture too large for GIF (65535 pixels a side at most)";
    return false;
  }
  fps_ = settings.fps;
  int status = E_GIF_SUCCEEDED;
  gif_.reset(EGifOpenFileName(path.c_str(), false, &status));
  if (!gif_) return failed(status, error);
  EGifSetGifVersion(gif_.get(), true);
  // No global colour map: each frame brings its own, so that every frame
  // keeps its exact colours whatever the others hold.
  const bool ok = EGifPutScreenDesc(gif_.get(), settings.width, settings.height,
                                    8, 0, nullptr) == GIF_OK &&
                  putLoopForever() &&
                  (settings.embeddedText.empty() ||
                   putComment(gif_.get(), settings.embeddedText));
  return ok || failed(gif_->Error, error);
}

bool GifVideoEncoder::addFrame(RowSource& frame, std::string& error) {
  // Indexing and quantising each read the frame.
  std::optional<HeldRows> held;
  if (!frame.rereadable()) held.emplace(frame);
  RowSource& rows = held ? static_cast<RowSource&>(*held) : frame;
  const int width = rows.shape().width, height = rows.shape().height;
  if (!indexExactly(rows, picture_)) {
    ++reducedFrames_;
    if (!quantize(rows, picture_, error)) return false;
  }
  const GifColourMap map = makeColourMap(picture_.colours);
  if (!map) return failed(E_GIF_ERR_NOT_ENOUGH_MEM, error);
  GraphicsControlBlock control{};
  control.DisposalMode = DISPOSE_DO_NOT;
  control.UserInputFlag = false;
  control.TransparentColor = NO_TRANSPARENT_COLOR;
  control.DelayTime = static_cast<int>(std::max<int64_t>(
      ShortestDelay, startOf(frames_ + 1) - startOf(frames_)));
  GifByteType extension[4];
  const size_t length = EGifGCBToExtension(&control, extension);
  const bool ok =
      EGifPutExtension(gif_.get(), GRAPHICS_EXT_FUNC_CODE,
                       static_cast<int>(length), extension) == GIF_OK &&
      EGifPutImageDesc(gif_.get(), 0, 0, width, height, false,
                       map.get()) == GIF_OK &&
      putIndexedRows(gif_.get(), picture_, width, height);
  ++frames_;
  return ok || failed(gif_->Error, error);
}

bool GifVideoEncoder::finish(std::string& error) {
  int status = E_GIF_SUCCEEDED;
  // Freed even when closing fails.
  const int closed = EGifCloseFile(gif_.release(), &status);
  return closed == GIF_OK || failed(status, error);
}

std::string GifVideoEncoder::warning() const {
  std::string text;
  if (reducedFrames_ > 0)
    text = std::to_string(reducedFrames_) + " of " + std::to_string(frames_) +
           " frames have more than 256 colours; each was reduced to 256 of "
           "its own";
  if (fps_ > 100 / ShortestDelay) {
    if (!text.empty()) text += "; ";
    text += "GIF plays at most 50 frames a second, so it plays slower than " +
            std::to_string(fps_);
  }
  return text;
}

}  // namespace

std::unique_ptr<VideoEncoder> makeGifVideoEncoder() {
  return std::make_unique<GifVideoEncoder>();
}

}  // namespace marl
