#include <spng.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "base/c_handle.h"
#include "readers/embedded_text_readers.h"

namespace marl {

namespace {

int boundedRead(spng_ctx*, void* user, void* bytes, std::size_t length) {
  auto* file = static_cast<BoundedFile*>(user);
  if (file->read(bytes, length) == length) return 0;
  return file->reachedEnd() ? SPNG_IO_EOF : SPNG_IO_ERROR;
}

// Settings that keep a hostile file from costing more than the reading
// budget: a chunk longer than it runs out of the budget itself, and text
// that inflates past it (a deflate bomb) passes libspng's cache limit.
int limit(spng_ctx* ctx) {
  int status = spng_set_image_limits(ctx, uint32_t(MaxPictureSide),
                                     uint32_t(MaxPictureSide));
  if (!status)
    status = spng_set_chunk_limits(ctx, 2 * MaxEmbeddedTextRead,
                                   2 * MaxEmbeddedTextRead);
  return status;
}

bool isTextChunk(const unsigned char* type) {
  return std::memcmp(type, "tEXt", 4) == 0 ||
         std::memcmp(type, "zTXt", 4) == 0 || std::memcmp(type, "iTXt", 4) == 0;
}

// libspng reads every chunk before the image data, and grows its list of
// texts one entry at a time, before it can be asked how many there are; so
// a picture with more text chunks than any marl picture holds is told by
// the chunk headers first, each read and its data skipped. Whatever else is
// wrong with the file is left for libspng to say.
bool fewTextChunks(BoundedFile& file, EmbeddedTextResult& result) {
  std::size_t texts = 0;
  for (uint64_t at = 8; at + 8 <= file.size();) {
    unsigned char header[8];
    file.seek(at);
    if (file.read(header, sizeof header) != sizeof header) break;
    const unsigned char* type = header + 4;
    if (std::memcmp(type, "IDAT", 4) == 0 || std::memcmp(type, "IEND", 4) == 0)
      break;
    if (isTextChunk(type) && !fewPieces(++texts, "text chunks", result))
      return false;
    const uint64_t length = uint64_t(header[0]) << 24 | header[1] << 16 |
                            header[2] << 8 | header[3];
    at += 12 + length;
  }
  file.seek(0);
  return true;
}

}  // namespace

void readPngText(BoundedFile& file, EmbeddedTextResult& result) {
  if (!fewTextChunks(file, result)) return;
  const CHandle<spng_ctx, spng_ctx_free> ctx(spng_ctx_new(0));
  if (!ctx) {
    result.status = EmbeddedTextResult::Unreadable;
    result.reason = "out of memory";
    return;
  }
  int status = spng_set_png_stream(ctx.get(), boundedRead, &file);
  if (!status) status = limit(ctx.get());
  // Reads the chunks before the image data, and no pixel.
  if (!status) status = spng_decode_chunks(ctx.get());
  spng_ihdr ihdr{};
  if (status == SPNG_EWIDTH || status == SPNG_EHEIGHT ||
      status == SPNG_EUSER_WIDTH || status == SPNG_EUSER_HEIGHT) {
    // The sides are refused as soon as the header is read.
    result.status = EmbeddedTextResult::Damaged;
    result.reason = "this PNG picture claims a side of 0 or of more than " +
                    std::to_string(MaxPictureSide) +
                    " pixels, which no marl picture has";
    return;
  }
  if (status == SPNG_ECHUNK_LIMITS) {
    result.status = EmbeddedTextResult::TooLong;
    result.reason = "this PNG picture holds more text, or more chunks, than "
                    "any marl picture (over 2 MiB once inflated, or a "
                    "thousand chunks)";
    return;
  }
  if (!status) status = spng_get_ihdr(ctx.get(), &ihdr);
  if (status) {
    failReading(file, status == SPNG_IO_EOF, spng_strerror(status), result);
    return;
  }
  uint32_t count = 0;
  status = spng_get_text(ctx.get(), nullptr, &count);
  if (status == SPNG_ECHUNKAVAIL) {
    foundTexts({}, result);
    return;
  }
  if (!status && !fewPieces(count, "text chunks", result)) return;
  std::vector<spng_text> chunks(count);
  if (!status) status = spng_get_text(ctx.get(), chunks.data(), &count);
  if (status) {
    failReading(file, false, spng_strerror(status), result);
    return;
  }
  std::vector<std::string> texts;
  for (const spng_text& t : chunks) texts.emplace_back(t.text, t.length);
  foundTexts(std::move(texts), result);
}

}  // namespace marl
