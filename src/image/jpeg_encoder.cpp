#include <algorithm>
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <vector>

// jpeglib.h needs size_t and FILE declared before it.
// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include "image/image_encoders.h"
#include "image/jpeg_errors.h"

namespace marl {

namespace {

constexpr int DefaultQuality = 95;
// Quality from which the accurate DCT is worth its time; below it the fast
// one loses nothing visible. Pictures made before this encoder streamed
// were made with this choice, so it stays.
constexpr int AccurateDctQuality = 96;
// A COM segment's length field counts itself, and holds at most 65535.
constexpr std::size_t MaxCommentSegment = 65533;
constexpr std::size_t OutputChunk = 64 * 1024;

// Hands libjpeg's output to the sink a chunk at a time.
struct Destination {
  jpeg_destination_mgr manager;
  ByteSink* sink;
  bool writeFailed;  // the sink refused bytes (errno says why)
  bool outOfMemory;  // the sink found no memory for them
  JOCTET buffer[OutputChunk];
};

void startDestination(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<Destination*>(cinfo->dest);
  d->manager.next_output_byte = d->buffer;
  d->manager.free_in_buffer = OutputChunk;
}

// Writes `size` bytes of the buffer; on failure leaves libjpeg by its error
// path, which never returns here.
void flush(j_compress_ptr cinfo, std::size_t size) {
  auto* d = reinterpret_cast<Destination*>(cinfo->dest);
  bool written = false;
  // No exception may pass through libjpeg's frames.
  try {
    written = d->sink->append(d->buffer, size);
  } catch (const std::bad_alloc&) {
    d->outOfMemory = true;
  }
  if (!written) {
    if (!d->outOfMemory) d->writeFailed = true;
    cinfo->err->error_exit(reinterpret_cast<j_common_ptr>(cinfo));
  }
  d->manager.next_output_byte = d->buffer;
  d->manager.free_in_buffer = OutputChunk;
}

boolean emptyOutput(j_compress_ptr cinfo) {
  flush(cinfo, OutputChunk);
  return TRUE;
}

void termDestination(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<Destination*>(cinfo->dest);
  const std::size_t used = OutputChunk - d->manager.free_in_buffer;
  if (used > 0) flush(cinfo, used);
}

// One JPEG being written; its parts must not move while libjpeg holds
// pointers into them.
struct Compression {
  jpeg_compress_struct cinfo;
  JpegErrors errors;
  Destination destination;
  bool created = false;

  ~Compression() {
    if (created) jpeg_destroy_compress(&cinfo);
  }
};

void setUp(Compression& c, const PictureShape& shape, int quality) {
  j_compress_ptr cinfo = &c.cinfo;
  cinfo->image_width = JDIMENSION(shape.width);
  cinfo->image_height = JDIMENSION(shape.height);
  cinfo->input_components = 3;
  cinfo->in_color_space = JCS_RGB;
  jpeg_set_defaults(cinfo);
  jpeg_set_quality(cinfo, quality, TRUE);
  cinfo->dct_method = quality >= AccurateDctQuality ? JDCT_ISLOW : JDCT_IFAST;
  jpeg_set_colorspace(cinfo, JCS_YCbCr);
  // No chroma subsampling: every component at full resolution.
  for (int i = 0; i < 3; ++i) {
    cinfo->comp_info[i].h_samp_factor = 1;
    cinfo->comp_info[i].v_samp_factor = 1;
  }
}

// The compression proper, the target of the error jump. Every object with
// a destructor lives outside it (in `c` and `band`), so the jump skips
// none; only libjpeg's frames and the callbacks above lie between. False, with libjpeg's
// message in c.errors.message, on failure.
bool compress(Compression& c, RowSource& rows, const EncodeOptions& options,
              std::vector<unsigned char>& band,
              std::vector<JSAMPROW>& pointers) {
  const PictureShape& shape = rows.shape();
  if (setjmp(c.errors.jump)) return false;
  jpeg_create_compress(&c.cinfo);
  c.created = true;
  c.cinfo.dest = &c.destination.manager;
  setUp(c, shape, options.quality > 0 ? options.quality : DefaultQuality);
  jpeg_start_compress(&c.cinfo, TRUE);
  // The recipe right after the JFIF header, so that a reader meets it
  // before any table or picture data; a long one over several segments,
  // which a reader joins in order.
  const std::string& text = options.text;
  for (std::size_t from = 0; from < text.size(); from += MaxCommentSegment) {
    const std::size_t n = std::min(MaxCommentSegment, text.size() - from);
    jpeg_write_marker(&c.cinfo, JPEG_COM,
                      reinterpret_cast<const JOCTET*>(text.data() + from),
                      unsigned(n));
  }
  const std::size_t rowBytes = shape.rowBytes();
  for (int first = 0; first < shape.height; first += BandRows) {
    const int count = std::min(BandRows, shape.height - first);
    rows.readRows(first, count, band.data());
    for (int r = 0; r < count; ++r)
      pointers[std::size_t(r)] = band.data() + std::size_t(r) * rowBytes;
    for (JDIMENSION done = 0; done < JDIMENSION(count);)
      done += jpeg_write_scanlines(&c.cinfo, pointers.data() + done,
                                   JDIMENSION(count) - done);
  }
  jpeg_finish_compress(&c.cinfo);
  return true;
}

}  // namespace

bool encodeJpeg(RowSource& rows, const EncodeOptions& options, ByteSink& out,
                std::string& error) {
  const PictureShape& shape = rows.shape();
  if (!acceptShape(shape, 8, false, "JPEG", error)) return false;
  // Heap-allocated: the output buffer is too big for the stack of a worker
  // thread.
  const auto c = std::make_unique<Compression>();
  c->cinfo.err = JpegErrors::install(c->errors);
  c->destination.manager.init_destination = startDestination;
  c->destination.manager.empty_output_buffer = emptyOutput;
  c->destination.manager.term_destination = termDestination;
  c->destination.sink = &out;
  std::vector<unsigned char> band(shape.rowBytes() *
                                  std::size_t(std::min(BandRows, shape.height)));
  std::vector<JSAMPROW> pointers(static_cast<std::size_t>(BandRows));
  if (compress(*c, rows, options, band, pointers)) return true;
  if (c->destination.outOfMemory ||
      c->errors.manager.msg_code == JERR_OUT_OF_MEMORY)
    error = OutOfMemoryWhileEncoding;
  else if (c->destination.writeFailed)
    error = "cannot write the JPEG";
  else
    error = c->errors.message;
  return false;
}

}  // namespace marl
