// The comment tag of an MP4 or WebM file, read with libavformat through
// the program's MediaInput: the demuxer seeks past the frames, so only the
// file's index and tags are read.
#include <cstring>

#include "video/ffmpeg_handles.h"
#include "video/ffmpeg_log.h"
#include "video/ffmpeg_module.h"

namespace marl {

namespace {

// Small, since every seek throws the buffer away and each refill counts.
constexpr int BufferSize = 4096;

// Called from FFmpeg's C code, so they must not throw; they cannot.
int readPacket(void* opaque, uint8_t* buffer, int size) noexcept {
  auto* input = static_cast<MediaInput*>(opaque);
  const std::size_t n = input->read(buffer, static_cast<std::size_t>(size));
  if (n > 0) return static_cast<int>(n);
  return input->readError() != 0 ? AVERROR(input->readError()) : AVERROR_EOF;
}

int64_t seekInput(void* opaque, int64_t offset, int whence) noexcept {
  auto* input = static_cast<MediaInput*>(opaque);
  switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE:
      return static_cast<int64_t>(input->size());
    case SEEK_SET:
      break;
    case SEEK_CUR:
      offset += static_cast<int64_t>(input->position());
      break;
    case SEEK_END:
      offset += static_cast<int64_t>(input->size());
      break;
    default:
      return AVERROR(EINVAL);
  }
  if (offset < 0) return AVERROR(EINVAL);
  input->seek(static_cast<uint64_t>(offset));
  return offset;
}

}  // namespace

MediaComment readFfmpegComment(MediaInput& input, const char* demuxer) {
  silenceFfmpegLog();
  MediaComment found;
  IoBufferHandle buffer(static_cast<unsigned char*>(av_malloc(BufferSize)));
  // Once made, the context owns the buffer.
  const IoHandle io(buffer
                        ? avio_alloc_context(buffer.get(), BufferSize, 0,
                                             &input, readPacket, nullptr,
                                             seekInput)
                        : nullptr);
  if (io) buffer.release();
  // Closed before the AVIOContext it reads through is freed.
  DemuxerHandle format(io ? avformat_alloc_context() : nullptr);
  if (!format) {
    found.error = "out of memory";
    return found;
  }
  format->pb = io.get();
  format->flags |= AVFMT_FLAG_CUSTOM_IO;
  // On failure, avformat_open_input frees the context and nulls the pointer.
  AVFormatContext* opening = format.release();
  const int opened = avformat_open_input(
      &opening, nullptr, av_find_input_format(demuxer), nullptr);
  format.reset(opening);
  if (opened < 0) {
    found.error = ffmpegErrorText(opened);
    return found;
  }
  const AVDictionaryEntry* comment =
      av_dict_get(format->metadata, "comment", nullptr, 0);
  found.opened = true;
  if (comment) found.text = comment->value;
  return found;
}

}  // namespace marl
