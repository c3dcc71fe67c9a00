// The comment tag of an MP4 or WebM file, read with libavformat through a
// BoundedFile: the demuxer seeks past the frames, so only the file's index
// and tags are read.
#include <cstring>

#include "readers/embedded_text_readers.h"
#include "video/ffmpeg_handles.h"
#include "video/ffmpeg_log.h"

namespace marl {

namespace {

// Small, since every seek throws the buffer away and each refill counts.
constexpr int BufferSize = 4096;

// Called from FFmpeg's C code, so they must not throw; they cannot.
int readPacket(void* opaque, uint8_t* buffer, int size) noexcept {
  auto* file = static_cast<BoundedFile*>(opaque);
  const std::size_t n = file->read(buffer, static_cast<std::size_t>(size));
  if (n > 0) return static_cast<int>(n);
  return file->readError() != 0 ? AVERROR(file->readError()) : AVERROR_EOF;
}

int64_t seekFile(void* opaque, int64_t offset, int whence) noexcept {
  auto* file = static_cast<BoundedFile*>(opaque);
  switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE:
      return static_cast<int64_t>(file->size());
    case SEEK_SET:
      break;
    case SEEK_CUR:
      offset += static_cast<int64_t>(file->position());
      break;
    case SEEK_END:
      offset += static_cast<int64_t>(file->size());
      break;
    default:
      return AVERROR(EINVAL);
  }
  if (offset < 0) return AVERROR(EINVAL);
  file->seek(static_cast<uint64_t>(offset));
  return offset;
}

}  // namespace

void readMediaText(BoundedFile& file, const char* demuxer,
                   EmbeddedTextResult& result) {
  silenceFfmpegLog();
  IoBufferHandle buffer(static_cast<unsigned char*>(av_malloc(BufferSize)));
  // Once made, the context owns the buffer.
  const IoHandle io(buffer
                        ? avio_alloc_context(buffer.get(), BufferSize, 0, &file,
                                             readPacket, nullptr, seekFile)
                        : nullptr);
  if (io) buffer.release();
  // Closed before the AVIOContext it reads through is freed.
  DemuxerHandle format(io ? avformat_alloc_context() : nullptr);
  if (!format) {
    failReading(file, false, "out of memory", result);
    return;
  }
  format->pb = io.get();
  format->flags |= AVFMT_FLAG_CUSTOM_IO;
  // On failure, avformat_open_input frees the context and nulls the pointer.
  AVFormatContext* opening = format.release();
  const int opened = avformat_open_input(
      &opening, nullptr, av_find_input_format(demuxer), nullptr);
  format.reset(opening);
  if (opened < 0) {
    failReading(file, file.reachedEnd(), ffmpegErrorText(opened), result);
    return;
  }
  const AVDictionaryEntry* comment =
      av_dict_get(format->metadata, "comment", nullptr, 0);
  if (file.exhaustedBudget() || file.readError() != 0)
    failReading(file, false, "", result);
  else
    foundTexts({comment ? comment->value : ""}, result);
}

}  // namespace marl
