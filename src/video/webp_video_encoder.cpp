#include <webp/encode.h>
#include <webp/mux.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/c_handle.h"
#include "video/video_encoder.h"
#include "image/xmp_packet.h"

namespace marl {

namespace {

// Picture side limit of the WebP format.
constexpr int WebpMaxSide = WEBP_MAX_DIMENSION;

using AnimEncoderHandle = CHandle<WebPAnimEncoder, WebPAnimEncoderDelete>;
using MuxHandle = CHandle<WebPMux, WebPMuxDelete>;

// Bytes that libwebp made, freed with them.
struct OwnedData {
  OwnedData() { WebPDataInit(&data); }
  ~OwnedData() { WebPDataClear(&data); }
  OwnedData(const OwnedData&) = delete;
  OwnedData& operator=(const OwnedData&) = delete;
  WebPData data;
};

// A frame's pixels for libwebp, freed with it.
struct OwnedPicture {
  OwnedPicture() = default;
  ~OwnedPicture() { WebPPictureFree(&picture); }
  OwnedPicture(const OwnedPicture&) = delete;
  OwnedPicture& operator=(const OwnedPicture&) = delete;
  WebPPicture picture{};  // zeroed, so freeing it before WebPPictureInit is
                          // harmless
};

int closeFile(std::FILE* file) { return std::fclose(file); }

bool writeWholeFile(const std::string& path, const WebPData& data,
                    std::string& error) {
  CHandle<std::FILE, closeFile> file(std::fopen(path.c_str(), "wb"));
  bool ok = file != nullptr &&
            std::fwrite(data.bytes, 1, data.size, file.get()) == data.size;
  if (file && std::fclose(file.release()) != 0) ok = false;
  if (!ok) error = std::strerror(errno);
  return ok;
}

// libwebp's animation encoder compresses each frame as it comes but keeps
// the compressed frames until the whole file is assembled at the end.
class WebpVideoEncoder : public VideoEncoder {
 public:
  bool begin(const std::string& path, const VideoSettings& settings,
             std::string& error) override;
  bool addFrame(RowSource& frame, std::string& error) override;
  bool finish(std::string& error) override;

 private:
  bool failed(std::string& error) {
    const char* text = WebPAnimEncoderGetError(encoder_.get());
    error = text && *text ? text : "the WebP encoder failed";
    return false;
  }
  // Milliseconds from the start to frame `index`, to the nearest.
  int startOf(int64_t index) const {
    return static_cast<int>((index * 1000 + fps_ / 2) / fps_);
  }

  AnimEncoderHandle encoder_;
  WebPConfig config_;
  std::string path_;
  std::string text_;
  int fps_ = 0;
  int64_t frames_ = 0;
};

bool WebpVideoEncoder::begin(const std::string& path,
                             const VideoSettings& settings,
                             std::string& error) {
  if (settings.width > WebpMaxSide || settings.height > WebpMaxSide) {
    error = "picture too large for WebP (16383 pixels a side at most)";
    return false;
  }
  path_ = path;
  text_ = settings.embeddedText;
  fps_ = settings.fps;
  WebPAnimEncoderOptions options;
  if (!WebPAnimEncoderOptionsInit(&options) || !WebPConfigInit(&config_)) {
    error = "this system's libwebp does not match the one built against";
    return false;
  }
  options.anim_params.loop_count = 0;  // forever
  // Orbit grain changes every pixel from frame to frame: sub-frames save
  // nothing, and trying them doubles the work.
  options.kmin = 0;
  options.kmax = 1;
  config_.quality = static_cast<float>(settings.webpQuality);
  config_.thread_level = 0;
  encoder_.reset(WebPAnimEncoderNew(settings.width, settings.height, &options));
  if (!encoder_) {
    error = "cannot start the WebP encoder";
    return false;
  }
  return true;
}

bool WebpVideoEncoder::addFrame(RowSource& frame, std::string& error) {
  OwnedPicture owned;
  WebPPicture& picture = owned.picture;
  if (!WebPPictureInit(&picture)) return failed(error);
  picture.use_argb = 1;
  picture.width = frame.shape().width;
  picture.height = frame.shape().height;
  if (!WebPPictureAlloc(&picture)) {
    error = "out of memory for a WebP frame";
    return false;
  }
  // Opaque 0xAARRGGBB words.
  forEachBand(frame, [&](const unsigned char* rgb, int first, int count) {
    for (int y = first; y < first + count; ++y) {
      uint32_t* out = picture.argb + std::size_t(y) * picture.argb_stride;
      for (int x = 0; x < picture.width; ++x, rgb += 3)
        out[x] = 0xFF000000u | uint32_t(rgb[0]) << 16 |
                 uint32_t(rgb[1]) << 8 | rgb[2];
    }
    return true;
  });
  const bool ok =
      WebPAnimEncoderAdd(encoder_.get(), &picture, startOf(frames_), &config_);
  ++frames_;
  return ok || failed(error);
}

bool WebpVideoEncoder::finish(std::string& error) {
  // A last, empty frame gives the real last frame its duration.
  if (!WebPAnimEncoderAdd(encoder_.get(), nullptr, startOf(frames_), nullptr))
    return failed(error);
  OwnedData animation;
  if (!WebPAnimEncoderAssemble(encoder_.get(), &animation.data))
    return failed(error);
  if (text_.empty()) return writeWholeFile(path_, animation.data, error);
  const MuxHandle mux(WebPMuxCreate(&animation.data, 0));
  const std::string packet = xmpPacketOf(text_);
  const WebPData xmp = {reinterpret_cast<const uint8_t*>(packet.data()),
                        packet.size()};
  OwnedData out;
  if (!mux || WebPMuxSetChunk(mux.get(), "XMP ", &xmp, 0) != WEBP_MUX_OK ||
      WebPMuxAssemble(mux.get(), &out.data) != WEBP_MUX_OK) {
    error = "cannot add the text to the WebP file";
    return false;
  }
  return writeWholeFile(path_, out.data, error);
}

}  // namespace

std::unique_ptr<VideoEncoder> makeWebpVideoEncoder() {
  return std::make_unique<WebpVideoEncoder>();
}

}  // namespace marl
