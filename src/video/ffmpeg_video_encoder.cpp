// MP4 (H.264 by x264) and WebM (VP9 by libvpx) through FFmpeg's libraries,
// in the order of calls of FFmpeg's own muxing example.
#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/cpu.h>
}

#include "video/ffmpeg_handles.h"
#include "video/ffmpeg_log.h"
#include "video/ffmpeg_module.h"

namespace marl {

namespace {

// The encoder's thread count is part of what decides x264's bytes, so it is
// fixed here, never taken from the machine.
constexpr int EncoderThreads = 2;

struct Container {
  VideoFormat format;
  const char* muxer;
  const char* encoder;   // FFmpeg's name for the encoder library
  const char* codec;     // what the user knows it as
  bool evenSides;        // 4:2:0 H.264 needs even sides; VP9 does not
};

const Container Containers[] = {
    {VideoFormat::Mp4, "mp4", "libx264", "H.264", true},
    {VideoFormat::WebM, "webm", "libvpx-vp9", "VP9", false},
};

class FfmpegEncoder : public VideoEncoder {
 public:
  explicit FfmpegEncoder(const Container& container) : container_(container) {}

  bool begin(const std::string& path, const VideoSettings& settings,
             std::string& error) override;
  bool addFrame(RowSource& frame, std::string& error) override;
  bool finish(std::string& error) override;
  std::string warning() const override { return warning_; }

 private:
  bool openCodec(const VideoSettings& settings, std::string& error);
  bool openFile(const VideoSettings& settings, std::string& error);
  bool makeConverter(std::string& error);
  // Sends `frame` (null: the end) and writes every packet that comes out.
  bool encode(AVFrame* frame, std::string& error);
  bool failed(const char* what, int code, std::string& error);

  const Container& container_;
  // Freed in the reverse order, the file closed last.
  MuxerHandle format_;
  CodecHandle codec_;
  AVStream* stream_ = nullptr;  // the format's
  FrameHandle frame_;
  PacketHandle packet_;
  ScalerHandle converter_;
  // The frame as native-endian 0x00RRGGBB words, settings' size, and one
  // band of its rows as they come.
  std::vector<uint32_t> pixels_;
  std::vector<unsigned char> band_;
  int width_ = 0;
  int height_ = 0;
  int64_t nextPts_ = 0;
  std::string warning_;
};

bool FfmpegEncoder::failed(const char* what, int code, std::string& error) {
  error = std::string(what) + ": " + ffmpegErrorText(code);
  return false;
}

bool FfmpegEncoder::openCodec(const VideoSettings& settings,
                              std::string& error) {
  const AVCodec* codec = avcodec_find_encoder_by_name(container_.encoder);
  if (!codec) {
    error = std::string("this system's FFmpeg libraries have no ") +
            container_.codec + " encoder (" + container_.encoder +
            "); install one that has it, or choose another video format";
    return false;
  }
  codec_.reset(avcodec_alloc_context3(codec));
  if (!codec_) return failed("cannot start the encoder", AVERROR(ENOMEM), error);
  codec_->width = settings.width;
  codec_->height = settings.height;
  if (container_.evenSides) {
    codec_->width &= ~1;
    codec_->height &= ~1;
    if (codec_->width != settings.width || codec_->height != settings.height)
      warning_ = std::string(container_.codec) +
                 " needs even sides: the last odd column or row is left out";
  }
  codec_->time_base = AVRational{1, settings.fps};
  codec_->framerate = AVRational{settings.fps, 1};
  codec_->pix_fmt = AV_PIX_FMT_YUV420P;
  // sRGB content, converted with the BT.709 matrix to limited range.
  codec_->color_primaries = AVCOL_PRI_BT709;
  codec_->color_trc = AVCOL_TRC_BT709;
  codec_->colorspace = AVCOL_SPC_BT709;
  codec_->color_range = AVCOL_RANGE_MPEG;
  codec_->thread_count = EncoderThreads;
  codec_->flags |= AV_CODEC_FLAG_BITEXACT;
  if (format_->oformat->flags & AVFMT_GLOBALHEADER)
    codec_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

  FfmpegOptions options;
  if (container_.format == VideoFormat::Mp4) {
    options.set("crf", settings.h264Crf);
    options.set("preset", settings.h264Preset.c_str());
    // x264's AVX-512 kernels read memory that x264 never wrote, so its
    // stream would follow whatever the process freed before (the animated
    // WebP's frames, say). Its kernels up to AVX2 give one stream, the
    // same as on a processor that has no AVX-512.
    if (av_get_cpu_flags() & AV_CPU_FLAG_AVX512)
      options.set("x264-params", "asm=avx2");
  } else {
    // Constant quality: no bit rate target.
    codec_->bit_rate = 0;
    options.set("crf", settings.vp9Crf);
    options.set("deadline", "good");
    options.set("cpu-used", "4");
    options.set("row-mt", "1");
  }
  if (!options.complete())
    return failed("cannot set the encoder's options", AVERROR(ENOMEM), error);
  const int opened = avcodec_open2(codec_.get(), codec, options.entries());
  if (opened < 0)
    return failed((std::string("cannot start the ") + container_.codec +
                   " encoder").c_str(),
                  opened, error);

  stream_ = avformat_new_stream(format_.get(), nullptr);
  if (!stream_) return failed("cannot add a stream", AVERROR(ENOMEM), error);
  stream_->time_base = codec_->time_base;
  stream_->avg_frame_rate = codec_->framerate;
  const int copied =
      avcodec_parameters_from_context(stream_->codecpar, codec_.get());
  if (copied < 0) return failed("cannot describe the stream", copied, error);
  return true;
}

bool FfmpegEncoder::openFile(const VideoSettings& settings,
                             std::string& error) {
  if (!settings.embeddedText.empty()) {
    const int set = av_dict_set(&format_->metadata, "comment",
                                settings.embeddedText.c_str(), 0);
    if (set < 0) return failed("cannot store the text", set, error);
  }
  // By name, not through a callback: moving the index to the front
  // (faststart) opens the file again to read it.
  const int opened = avio_open(&format_->pb, format_->url, AVIO_FLAG_WRITE);
  if (opened < 0) return failed("cannot open the file", opened, error);
  FfmpegOptions options;
  if (container_.format == VideoFormat::Mp4)
    options.set("movflags", "+faststart");
  if (!options.complete())
    return failed("cannot set the file's options", AVERROR(ENOMEM), error);
  const int written = avformat_write_header(format_.get(), options.entries());
  if (written < 0) return failed("cannot write the header", written, error);
  return true;
}

bool FfmpegEncoder::makeConverter(std::string& error) {
  const int width = codec_->width, height = codec_->height;
  frame_.reset(av_frame_alloc());
  packet_.reset(av_packet_alloc());
  if (!frame_ || !packet_)
    return failed("cannot make a frame", AVERROR(ENOMEM), error);
  frame_->format = codec_->pix_fmt;
  frame_->width = width;
  frame_->height = height;
  const int made = av_frame_get_buffer(frame_.get(), 0);
  if (made < 0) return failed("cannot make a frame", made, error);
  // Native-endian 0x00RRGGBB words, the top byte ignored. Bit-exact and
  // accurate rounding: the same on every machine.
  converter_.reset(sws_getContext(width, height, AV_PIX_FMT_0RGB32, width,
                                  height, codec_->pix_fmt,
                                  SWS_BICUBIC | SWS_ACCURATE_RND | SWS_BITEXACT,
                                  nullptr, nullptr, nullptr));
  if (!converter_ ||
      sws_setColorspaceDetails(
          converter_.get(), sws_getCoefficients(SWS_CS_DEFAULT), 1,
          sws_getCoefficients(SWS_CS_ITU709), 0, 0, 1 << 16, 1 << 16) < 0) {
    error = "cannot set up the colour conversion to BT.709";
    return false;
  }
  return true;
}

bool FfmpegEncoder::begin(const std::string& path,
                          const VideoSettings& settings, std::string& error) {
  silenceFfmpegLog();
  // "file:" keeps a colon in the name from being read as a protocol.
  const std::string url = "file:" + path;
  AVFormatContext* format = nullptr;
  const int made = avformat_alloc_output_context2(
      &format, nullptr, container_.muxer, url.c_str());
  format_.reset(format);
  if (made < 0) return failed("cannot start the file", made, error);
  // No version string or time stamp in the file.
  format_->flags |= AVFMT_FLAG_BITEXACT;
  width_ = settings.width;
  height_ = settings.height;
  pixels_.resize(std::size_t(width_) * std::size_t(height_));
  band_.resize(std::size_t(width_) * 3 * BandRows);
  return openCodec(settings, error) && openFile(settings, error) &&
         makeConverter(error);
}

bool FfmpegEncoder::encode(AVFrame* frame, std::string& error) {
  int status = avcodec_send_frame(codec_.get(), frame);
  if (status < 0) return failed("cannot encode a frame", status, error);
  for (;;) {
    status = avcodec_receive_packet(codec_.get(), packet_.get());
    if (status == AVERROR(EAGAIN) || status == AVERROR_EOF) return true;
    if (status < 0) return failed("cannot encode a frame", status, error);
    // Every frame shows for one tick, the last one too.
    packet_->duration = 1;
    av_packet_rescale_ts(packet_.get(), codec_->time_base, stream_->time_base);
    packet_->stream_index = stream_->index;
    status = av_interleaved_write_frame(format_.get(), packet_.get());
    if (status < 0) return failed("cannot write a frame", status, error);
  }
}

bool FfmpegEncoder::addFrame(RowSource& frame, std::string& error) {
  const int made = av_frame_make_writable(frame_.get());
  if (made < 0) return failed("cannot make a frame", made, error);
  for (int first = 0; first < height_; first += BandRows) {
    const int count = std::min(BandRows, height_ - first);
    frame.readRows(first, count, band_.data());
    const unsigned char* rgb = band_.data();
    uint32_t* out = pixels_.data() + std::size_t(first) * std::size_t(width_);
    for (std::size_t i = 0; i < std::size_t(count) * std::size_t(width_);
         ++i, rgb += 3)
      out[i] = uint32_t(rgb[0]) << 16 | uint32_t(rgb[1]) << 8 | rgb[2];
  }
  const uint8_t* rows[1] = {reinterpret_cast<const uint8_t*>(pixels_.data())};
  const int strides[1] = {width_ * 4};
  sws_scale(converter_.get(), rows, strides, 0, codec_->height, frame_->data,
            frame_->linesize);
  frame_->pts = nextPts_++;
  return encode(frame_.get(), error);
}

bool FfmpegEncoder::finish(std::string& error) {
  if (!encode(nullptr, error)) return false;
  const int ended = av_write_trailer(format_.get());
  if (ended < 0) return failed("cannot finish the file", ended, error);
  const int flushed = format_->pb->error;
  const int closed = avio_closep(&format_->pb);
  if (flushed < 0) return failed("cannot write the file", flushed, error);
  if (closed < 0) return failed("cannot close the file", closed, error);
  return true;
}

}  // namespace

std::unique_ptr<VideoEncoder> makeFfmpegEncoder(VideoFormat format) {
  for (const Container& container : Containers)
    if (container.format == format)
      return std::make_unique<FfmpegEncoder>(container);
  return nullptr;
}

}  // namespace marl
