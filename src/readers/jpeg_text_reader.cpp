#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

// jpeglib.h needs size_t and FILE declared before it.
// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include "base/c_handle.h"
#include "readers/embedded_text_readers.h"
#include "image/jpeg_errors.h"

namespace marl {

namespace {

constexpr std::size_t ChunkSize = 4096;

// Feeds libjpeg from the bounded file in chunks.
struct BoundedSource {
  jpeg_source_mgr manager;
  BoundedFile* file;
  // Reading ahead in chunks meets the end of a good small file too; only a
  // refill that finds nothing means the stream is cut short.
  bool ranOut;
  JOCTET buffer[ChunkSize];
};

void startSource(j_decompress_ptr) {}

boolean fillBuffer(j_decompress_ptr cinfo) {
  auto* source = reinterpret_cast<BoundedSource*>(cinfo->src);
  const std::size_t n = source->file->read(source->buffer, ChunkSize);
  // The headers end at the start of scan, so running out before it means
  // the file is cut short (or the budget spent): an error, not the usual
  // fake end marker.
  if (n == 0) {
    source->ranOut = source->file->reachedEnd();
    ERREXIT(cinfo, JERR_INPUT_EOF);
  }
  source->manager.next_input_byte = source->buffer;
  source->manager.bytes_in_buffer = n;
  return TRUE;
}

// Skipped segments are seeked over, not read, so they cost no budget.
void skipData(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  auto* source = reinterpret_cast<BoundedSource*>(cinfo->src);
  jpeg_source_mgr& manager = source->manager;
  const std::size_t skip = static_cast<std::size_t>(count);
  if (skip <= manager.bytes_in_buffer) {
    manager.next_input_byte += skip;
    manager.bytes_in_buffer -= skip;
    return;
  }
  source->file->seek(source->file->position() +
                     (skip - manager.bytes_in_buffer));
  manager.bytes_in_buffer = 0;
}

void endSource(j_decompress_ptr) {}

struct JpegReading {
  jpeg_decompress_struct cinfo;
  JpegErrors errors;
  BoundedSource source;
};

// Kept apart and free of C++ objects, since a long jump skips destructors.
bool readHeader(JpegReading& r) {
  if (setjmp(r.errors.jump)) return false;
  jpeg_create_decompress(&r.cinfo);
  r.cinfo.src = &r.source.manager;
  jpeg_save_markers(&r.cinfo, JPEG_COM, 0xFFFF);
  jpeg_read_header(&r.cinfo, TRUE);
  return true;
}

}  // namespace

void readJpegText(BoundedFile& file, EmbeddedTextResult& result) {
  JpegReading reading{};
  JpegReading* r = &reading;
  // Warnings are not printed; a stream good enough to reach its picture
  // data has given all its comments.
  r->cinfo.err = JpegErrors::install(r->errors);
  r->source.file = &file;
  r->source.manager.init_source = startSource;
  r->source.manager.fill_input_buffer = fillBuffer;
  r->source.manager.skip_input_data = skipData;
  r->source.manager.resync_to_restart = jpeg_resync_to_restart;
  r->source.manager.term_source = endSource;

  // Destroyed on every way out, a throw included (no jump leaves readHeader;
  // destroying a structure never created, or half created, is safe: it was
  // zeroed).
  const CHandle<jpeg_decompress_struct, jpeg_destroy_decompress> decompressor(
      &r->cinfo);
  if (readHeader(*r)) {
    std::vector<std::string> texts;
    for (jpeg_saved_marker_ptr m = r->cinfo.marker_list; m; m = m->next)
      if (m->marker == JPEG_COM)
        texts.emplace_back(reinterpret_cast<const char*>(m->data),
                           m->data_length);
    if (plausibleSides(r->cinfo.image_width, r->cinfo.image_height, result) &&
        fewPieces(texts.size(), "comment segments", result))
      foundTexts(std::move(texts), result);
  } else {
    failReading(file, r->source.ranOut, r->errors.message, result);
  }
}

}  // namespace marl
