#ifndef MARL_VIDEO_FFMPEG_HANDLES_H_
#define MARL_VIDEO_FFMPEG_HANDLES_H_

#include <cstdint>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/mem.h>
#include <libswscale/swscale.h>
}

#include "base/c_handle.h"

namespace marl {

// Most of FFmpeg's free functions take the address of the pointer, to null
// it; an owner has the pointer alone.
inline void freeCodecContext(AVCodecContext* codec) {
  avcodec_free_context(&codec);
}
inline void freeFrame(AVFrame* frame) { av_frame_free(&frame); }
inline void freePacket(AVPacket* packet) { av_packet_free(&packet); }
// A muxer's context, with the file it writes to closed first if still open.
inline void freeOutputContext(AVFormatContext* format) {
  if (format->pb) avio_closep(&format->pb);
  avformat_free_context(format);
}
// A demuxer's context, opened or not. An AVIOContext given to it stays.
inline void closeInputContext(AVFormatContext* format) {
  avformat_close_input(&format);
}
// An AVIOContext of ours with its buffer, which FFmpeg may have replaced.
inline void freeIoContext(AVIOContext* io) {
  av_freep(&io->buffer);
  avio_context_free(&io);
}

using CodecHandle = CHandle<AVCodecContext, freeCodecContext>;
using FrameHandle = CHandle<AVFrame, freeFrame>;
using PacketHandle = CHandle<AVPacket, freePacket>;
using MuxerHandle = CHandle<AVFormatContext, freeOutputContext>;
using DemuxerHandle = CHandle<AVFormatContext, closeInputContext>;
using IoHandle = CHandle<AVIOContext, freeIoContext>;
using IoBufferHandle = CHandle<unsigned char, av_free>;
using ScalerHandle = CHandle<SwsContext, sws_freeContext>;

// Options for one FFmpeg call, which takes them by address and leaves
// there those it did not use.
class FfmpegOptions {
 public:
  FfmpegOptions() = default;
  ~FfmpegOptions() { av_dict_free(&entries_); }
  FfmpegOptions(const FfmpegOptions&) = delete;
  FfmpegOptions& operator=(const FfmpegOptions&) = delete;

  void set(const char* key, const char* value) {
    if (av_dict_set(&entries_, key, value, 0) < 0) lost_ = true;
  }
  void set(const char* key, int64_t value) {
    if (av_dict_set_int(&entries_, key, value, 0) < 0) lost_ = true;
  }
  // False when memory ran out for an entry: a call without it would make
  // another file than the one asked for.
  bool complete() const { return !lost_; }
  AVDictionary** entries() { return &entries_; }

 private:
  AVDictionary* entries_ = nullptr;
  bool lost_ = false;
};

}  // namespace marl

#endif  // MARL_VIDEO_FFMPEG_HANDLES_H_
