#include "support/decoded_video.h"

#include <gif_lib.h>
#include <webp/demux.h>

#include <cstring>
#include <fstream>
#include <iterator>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace marl_test {

namespace {

bool endsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() &&
         text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// YUV to 0xFFRRGGBB words with the frame's own matrix and range.
std::vector<uint32_t> toRgb(const AVFrame* frame) {
  SwsContext* sws = sws_getContext(
      frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
      frame->width, frame->height, AV_PIX_FMT_0RGB32,
      SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr,
      nullptr);
  const int space =
      frame->colorspace == AVCOL_SPC_UNSPECIFIED ? SWS_CS_DEFAULT
                                                 : frame->colorspace;
  sws_setColorspaceDetails(sws, sws_getCoefficients(space),
                           frame->color_range == AVCOL_RANGE_JPEG,
                           sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16,
                           1 << 16);
  std::vector<uint32_t> pixels(std::size_t(frame->width) * frame->height);
  uint8_t* out[1] = {reinterpret_cast<uint8_t*>(pixels.data())};
  const int strides[1] = {frame->width * 4};
  sws_scale(sws, frame->data, frame->linesize, 0, frame->height, out, strides);
  sws_freeContext(sws);
  for (uint32_t& p : pixels) p |= 0xFF000000u;
  return pixels;
}

void receiveFrames(AVCodecContext* codec, AVFrame* frame, DecodedVideo& video) {
  while (avcodec_receive_frame(codec, frame) == 0) {
    video.frames.push_back(toRgb(frame));
    video.primaries = frame->color_primaries;
    video.transfer = frame->color_trc;
    video.matrix = frame->colorspace;
    video.range = frame->color_range;
  }
}

DecodedVideo decodeWithFfmpeg(const std::string& path) {
  DecodedVideo video;
  AVFormatContext* format = nullptr;
  if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0)
    return video;
  const AVCodec* decoder = nullptr;
  const int index = avformat_find_stream_info(format, nullptr) < 0
                        ? -1
                        : av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1,
                                              -1, &decoder, 0);
  AVCodecContext* codec = index >= 0 ? avcodec_alloc_context3(decoder) : nullptr;
  if (codec &&
      avcodec_parameters_to_context(codec, format->streams[index]->codecpar) >=
          0 &&
      avcodec_open2(codec, decoder, nullptr) >= 0) {
    const AVStream* stream = format->streams[index];
    video.codec = avcodec_get_name(stream->codecpar->codec_id);
    const char* name = av_get_pix_fmt_name(
        static_cast<AVPixelFormat>(stream->codecpar->format));
    video.pixelFormat = name ? name : "";
    video.frameRateNum = stream->avg_frame_rate.num;
    video.frameRateDen = stream->avg_frame_rate.den;
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    while (av_read_frame(format, packet) >= 0) {
      if (packet->stream_index == index &&
          avcodec_send_packet(codec, packet) >= 0)
        receiveFrames(codec, frame, video);
      av_packet_unref(packet);
    }
    avcodec_send_packet(codec, nullptr);
    receiveFrames(codec, frame, video);
    video.width = codec->width;
    video.height = codec->height;
    av_frame_free(&frame);
    av_packet_free(&packet);
  }
  avcodec_free_context(&codec);
  avformat_close_input(&format);
  return video;
}

DecodedVideo decodeGif(const std::string& path) {
  DecodedVideo video;
  int status = 0;
  GifFileType* gif = DGifOpenFileName(path.c_str(), &status);
  if (!gif) return video;
  if (DGifSlurp(gif) == GIF_OK) {
    video.codec = "gif";
    video.width = gif->SWidth;
    video.height = gif->SHeight;
    for (int i = 0; i < gif->ImageCount; ++i) {
      const SavedImage& image = gif->SavedImages[i];
      const ColorMapObject* map =
          image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
      std::vector<uint32_t> pixels;
      for (int k = 0; map && k < image.ImageDesc.Width * image.ImageDesc.Height;
           ++k) {
        const GifColorType c = map->Colors[image.RasterBits[k]];
        pixels.push_back(0xFF000000u | uint32_t(c.Red) << 16 |
                         uint32_t(c.Green) << 8 | c.Blue);
      }
      video.frames.push_back(pixels);
      GraphicsControlBlock control;
      if (DGifSavedExtensionToGCB(gif, i, &control) == GIF_OK)
        video.durationsMs.push_back(control.DelayTime * 10);
      for (int e = 0; e < image.ExtensionBlockCount; ++e) {
        const ExtensionBlock& block = image.ExtensionBlocks[e];
        if (block.Function == APPLICATION_EXT_FUNC_CODE &&
            block.ByteCount == 11 &&
            std::memcmp(block.Bytes, "NETSCAPE2.0", 11) == 0 &&
            e + 1 < image.ExtensionBlockCount &&
            image.ExtensionBlocks[e + 1].ByteCount == 3) {
          const GifByteType* loop = image.ExtensionBlocks[e + 1].Bytes;
          video.loopCount = loop[1] | loop[2] << 8;
        }
      }
    }
  }
  DGifCloseFile(gif, &status);
  return video;
}

DecodedVideo decodeWebp(const std::string& path) {
  DecodedVideo video;
  std::ifstream file(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(file)), {});
  const WebPData data = {reinterpret_cast<const uint8_t*>(bytes.data()),
                         bytes.size()};
  WebPAnimDecoderOptions options;
  WebPAnimDecoderOptionsInit(&options);
  options.color_mode = MODE_BGRA;
  WebPAnimDecoder* decoder = WebPAnimDecoderNew(&data, &options);
  WebPAnimInfo info;
  if (!decoder || !WebPAnimDecoderGetInfo(decoder, &info)) {
    WebPAnimDecoderDelete(decoder);
    return video;
  }
  video.codec = "webp";
  video.width = int(info.canvas_width);
  video.height = int(info.canvas_height);
  video.loopCount = int(info.loop_count);
  int previous = 0;
  while (WebPAnimDecoderHasMoreFrames(decoder)) {
    uint8_t* canvas = nullptr;
    int timestamp = 0;
    if (!WebPAnimDecoderGetNext(decoder, &canvas, &timestamp)) break;
    std::vector<uint32_t> pixels(std::size_t(video.width) * video.height);
    std::memcpy(pixels.data(), canvas, pixels.size() * 4);
    video.frames.push_back(pixels);
    video.durationsMs.push_back(timestamp - previous);
    previous = timestamp;
  }
  WebPAnimDecoderDelete(decoder);
  return video;
}

}  // namespace

DecodedVideo decodeVideoFile(const std::string& path) {
  if (endsWith(path, ".gif")) return decodeGif(path);
  if (endsWith(path, ".webp")) return decodeWebp(path);
  return decodeWithFfmpeg(path);
}

double channelMean(const std::vector<uint32_t>& pixels, int shift) {
  double sum = 0;
  for (uint32_t p : pixels) sum += (p >> shift) & 0xFF;
  return sum / double(pixels.size());
}

}  // namespace marl_test
