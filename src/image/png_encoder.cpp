#include <spng.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "base/c_handle.h"
#include "image/image_encoders.h"

namespace marl {

namespace {

// zlib level 3 with the Sub and Up filters only: measured on a default-size
// picture (bench/render_bench.cpp), most of level 9's size at a small part
// of its time, since a picture's noisy texture compresses little anyway.
constexpr int CompressionLevel = 3;
constexpr int Filters = SPNG_FILTER_CHOICE_SUB | SPNG_FILTER_CHOICE_UP;

struct SinkWriter {
  ByteSink* sink;
  int writeError;    // errno of the first failed write
  bool outOfMemory;  // a write found no memory: libspng saw it fail
};

int writeToSink(spng_ctx*, void* user, void* bytes, std::size_t length) {
  auto* writer = static_cast<SinkWriter*>(user);
  // No exception may pass through libspng, which would free nothing.
  try {
    if (writer->sink->append(static_cast<const unsigned char*>(bytes),
                             length))
      return 0;
  } catch (const std::bad_alloc&) {
    writer->outOfMemory = true;
    return SPNG_IO_ERROR;
  }
  if (writer->writeError == 0) writer->writeError = errno;
  return SPNG_IO_ERROR;
}

bool failed(int status, const SinkWriter& writer, std::string& error) {
  if (status == 0) return false;
  if (writer.writeError != 0) errno = writer.writeError;
  error = writer.outOfMemory || status == SPNG_EMEM ? OutOfMemoryWhileEncoding
                                                    : spng_strerror(status);
  return true;
}

}  // namespace

bool encodePng(RowSource& rows, const EncodeOptions& options, ByteSink& out,
               std::string& error) {
  const PictureShape& shape = rows.shape();
  if (!acceptShape(shape, 16, true, "PNG", error)) return false;
  const CHandle<spng_ctx, spng_ctx_free> ctx(spng_ctx_new(SPNG_CTX_ENCODER));
  if (!ctx) {
    error = OutOfMemoryWhileEncoding;
    return false;
  }
  SinkWriter writer{&out, 0, false};
  spng_ihdr ihdr{};
  ihdr.width = uint32_t(shape.width);
  ihdr.height = uint32_t(shape.height);
  ihdr.bit_depth = uint8_t(shape.depth);
  ihdr.color_type = shape.alpha ? SPNG_COLOR_TYPE_TRUECOLOR_ALPHA
                                : SPNG_COLOR_TYPE_TRUECOLOR;
  int status = spng_set_png_stream(ctx.get(), writeToSink, &writer);
  if (!status) status = spng_set_ihdr(ctx.get(), &ihdr);
  if (!status)
    status = spng_set_option(ctx.get(), SPNG_IMG_COMPRESSION_LEVEL,
                             CompressionLevel);
  if (!status) status = spng_set_option(ctx.get(), SPNG_FILTER_CHOICE, Filters);
  std::string text = options.text;  // libspng takes it as non-const
  char empty[1] = "";
  if (!status && !text.empty()) {
    spng_text chunk{};
    std::strcpy(chunk.keyword, "Description");
    chunk.type = SPNG_ITXT;
    chunk.length = text.size();
    chunk.text = text.data();
    chunk.language_tag = empty;
    chunk.translated_keyword = empty;
    status = spng_set_text(ctx.get(), &chunk, 1);
  }
  if (!status)
    status = spng_encode_image(ctx.get(), nullptr, 0, SPNG_FMT_PNG,
                               SPNG_ENCODE_PROGRESSIVE | SPNG_ENCODE_FINALIZE);
  if (failed(status, writer, error)) return false;
  // libspng takes 16-bit samples in the machine's byte order and writes
  // them most significant byte first, as PNG stores them.
  forEachBand(rows, [&](const unsigned char* band, int, int count) {
    for (int i = 0; i < count && status == 0; ++i)
      status = spng_encode_row(
          ctx.get(), band + shape.rowBytes() * std::size_t(i),
          shape.rowBytes());
    return status == 0;
  });
  // The last row finishes the file and says so.
  if (status == SPNG_EOI) status = 0;
  return !failed(status, writer, error);
}

}  // namespace marl
