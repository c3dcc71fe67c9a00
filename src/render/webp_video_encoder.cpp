#include <webp/encode.h>
#include <webp/mux.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "render/video_encoder.h"
#include "render/xmp_packet.h"

namespace marl {

namespace {

// Picture side limit of the WebP format.
constexpr int WebpMaxSide = WEBP_MAX_DIMENSION;

bool writeWholeFile(const std::string& path, const WebPData& data,
                    std::string& error) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  bool ok = file != nullptr &&
            std::fwrite(data.bytes, 1, data.size, file) == data.size;
  if (file && std::fclose(file) != 0) ok = false;
  if (!ok) error = std::strerror(errno);
  return ok;
}

// libwebp's animation encoder compresses each frame as it comes but keeps
// the compressed frames until the whole file is assembled at the end.
class WebpVideoEncoder : public VideoEncoder {
 public:
  ~WebpVideoEncoder() override {
    if (encoder_) WebPAnimEncoderDelete(encoder_);
  }

  bool begin(const std::string& path, const VideoSettings& settings,
             std::string& error) override;
  bool addFrame(const Bitmap& frame, std::string& error) override;
  bool finish(std::string& error) override;

 private:
  bool failed(std::string& error) {
    const char* text = WebPAnimEncoderGetError(encoder_);
    error = text && *text ? text : "the WebP encoder failed";
    return false;
  }
  // Milliseconds from the start to frame `index`, to the nearest.
  int startOf(int64_t index) const {
    return static_cast<int>((index * 1000 + fps_ / 2) / fps_);
  }

  WebPAnimEncoder* encoder_ = nullptr;
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
  encoder_ = WebPAnimEncoderNew(settings.width, settings.height, &options);
  if (!encoder_) {
    error = "cannot start the WebP encoder";
    return false;
  }
  return true;
}

bool WebpVideoEncoder::addFrame(const Bitmap& frame, std::string& error) {
  cairo_surface_flush(frame.surface());
  WebPPicture picture;
  if (!WebPPictureInit(&picture)) return failed(error);
  picture.use_argb = 1;
  picture.width = frame.width();
  picture.height = frame.height();
  if (!WebPPictureAlloc(&picture)) {
    error = "out of memory for a WebP frame";
    return false;
  }
  // Both are 0xAARRGGBB words; made opaque, which shows the premultiplied
  // colour over black.
  for (int y = 0; y < frame.height(); ++y) {
    const uint32_t* in = frame.row(y);
    uint32_t* out = picture.argb + std::size_t(y) * picture.argb_stride;
    for (int x = 0; x < frame.width(); ++x) out[x] = in[x] | 0xFF000000u;
  }
  const bool ok =
      WebPAnimEncoderAdd(encoder_, &picture, startOf(frames_), &config_);
  WebPPictureFree(&picture);
  ++frames_;
  return ok || failed(error);
}

bool WebpVideoEncoder::finish(std::string& error) {
  // A last, empty frame gives the real last frame its duration.
  if (!WebPAnimEncoderAdd(encoder_, nullptr, startOf(frames_), nullptr))
    return failed(error);
  WebPData data;
  WebPDataInit(&data);
  if (!WebPAnimEncoderAssemble(encoder_, &data)) return failed(error);
  if (text_.empty()) {
    const bool ok = writeWholeFile(path_, data, error);
    WebPDataClear(&data);
    return ok;
  }
  WebPMux* mux = WebPMuxCreate(&data, 0);
  const std::string packet = xmpPacketOf(text_);
  const WebPData xmp = {reinterpret_cast<const uint8_t*>(packet.data()),
                        packet.size()};
  WebPData out;
  WebPDataInit(&out);
  const bool assembled = mux != nullptr &&
                         WebPMuxSetChunk(mux, "XMP ", &xmp, 0) == WEBP_MUX_OK &&
                         WebPMuxAssemble(mux, &out) == WEBP_MUX_OK;
  WebPMuxDelete(mux);
  WebPDataClear(&data);
  if (!assembled) {
    error = "cannot add the text to the WebP file";
    return false;
  }
  const bool ok = writeWholeFile(path_, out, error);
  WebPDataClear(&out);
  return ok;
}

}  // namespace

std::unique_ptr<VideoEncoder> makeWebpVideoEncoder() {
  return std::make_unique<WebpVideoEncoder>();
}

}  // namespace marl
