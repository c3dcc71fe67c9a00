// The video module's entry, the one symbol of its own it exports: its
// code is hidden, so that none of it stands in for the program's.
#include "video/ffmpeg_module.h"

namespace marl {

namespace {

class FfmpegModule final : public VideoModule {
 public:
  std::unique_ptr<VideoEncoder> makeEncoder(
      VideoFormat format) const override {
    return makeFfmpegEncoder(format);
  }
  MediaComment readComment(MediaInput& input,
                           const char* demuxer) const override {
    return readFfmpegComment(input, demuxer);
  }
};

}  // namespace

}  // namespace marl

extern "C" __attribute__((visibility("default"))) const marl::VideoModule*
marl_video_module(int interface) {
  static const marl::FfmpegModule module;
  return interface == marl::VideoModuleInterface ? &module : nullptr;
}
