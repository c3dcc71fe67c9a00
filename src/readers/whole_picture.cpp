#include "readers/whole_picture.h"

#include <gif_lib.h>
#include <spng.h>
#include <tiffio.h>
#include <webp/decode.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

// jpeglib.h needs size_t and FILE declared before it.
// clang-format off
#include <jpeglib.h>
// clang-format on

#include "base/c_handle.h"
#include "image/jpeg_errors.h"
#include "image/tiff_client.h"

namespace marl {

namespace {

using Bytes = std::vector<unsigned char>;

bool startsWith(const Bytes& bytes, const char* magic, std::size_t size) {
  return bytes.size() >= size && std::memcmp(bytes.data(), magic, size) == 0;
}

bool wholePng(std::FILE* file, std::string& reason) {
  const CHandle<spng_ctx, spng_ctx_free> ctx(spng_ctx_new(0));
  if (!ctx) {
    reason = "out of memory";
    return false;
  }
  // Every chunk's CRC counts, the text's as much as the image's.
  int status = spng_set_crc_action(ctx.get(), SPNG_CRC_ERROR, SPNG_CRC_ERROR);
  if (!status) status = spng_set_png_file(ctx.get(), file);
  std::size_t size = 0;
  if (!status) status = spng_decoded_image_size(ctx.get(), SPNG_FMT_PNG, &size);
  if (!status) {
    status = spng_decode_image(ctx.get(), nullptr, 0, SPNG_FMT_PNG,
                               SPNG_DECODE_PROGRESSIVE);
  }
  if (!status) {
    spng_ihdr ihdr{};
    status = spng_get_ihdr(ctx.get(), &ihdr);
    Bytes row(ihdr.height ? size / ihdr.height : 0);
    while (!status) status = spng_decode_row(ctx.get(), row.data(), row.size());
    if (status == SPNG_EOI) status = 0;
  }
  // Through IEND: what follows the image data must be whole too.
  if (!status) status = spng_decode_chunks(ctx.get());
  if (!status) return true;
  reason = std::string("its PNG data is damaged: ") + spng_strerror(status);
  return false;
}

struct JpegDecoding {
  jpeg_decompress_struct cinfo;
  JpegErrors errors;
};

// Kept apart and free of C++ objects, since a long jump skips destructors.
bool decodeJpeg(JpegDecoding& d, std::FILE* file, JSAMPLE* row,
                JDIMENSION rowSize) {
  if (setjmp(d.errors.jump)) return false;
  jpeg_stdio_src(&d.cinfo, file);
  jpeg_read_header(&d.cinfo, TRUE);
  jpeg_start_decompress(&d.cinfo);
  if (d.cinfo.output_width * JDIMENSION(d.cinfo.output_components) > rowSize) {
    std::strcpy(d.errors.message, "a row wider than its sides say");
    return false;
  }
  while (d.cinfo.output_scanline < d.cinfo.output_height)
    jpeg_read_scanlines(&d.cinfo, &row, 1);
  jpeg_finish_decompress(&d.cinfo);
  return true;
}

bool wholeJpeg(std::FILE* file, std::string& reason) {
  JpegDecoding d{};
  d.cinfo.err = JpegErrors::install(d.errors);
  jpeg_create_decompress(&d.cinfo);
  // The widest row marl writes, 3 samples of 65535 pixels.
  std::vector<JSAMPLE> row(65535 * 4);
  const bool decoded = decodeJpeg(d, file, row.data(), JDIMENSION(row.size()));
  // libjpeg pads a cut stream with grey and only warns.
  const long warnings = d.errors.manager.num_warnings;
  jpeg_destroy_decompress(&d.cinfo);
  if (decoded && warnings == 0) return true;
  reason = decoded ? "its JPEG data ends early or is damaged"
                   : std::string("its JPEG data is damaged: ") + d.errors.message;
  return false;
}

int closeGif(GifFileType* gif) {
  int error = 0;
  return DGifCloseFile(gif, &error);
}

struct MemoryReader {
  const Bytes* bytes;
  std::size_t at;
};

int readGifBytes(GifFileType* gif, GifByteType* out, int size) {
  return int(std::fread(out, 1, std::size_t(size < 0 ? 0 : size),
                        static_cast<std::FILE*>(gif->UserData)));
}

bool wholeGif(std::FILE* file, std::string& reason) {
  int error = 0;
  const CHandle<GifFileType, closeGif> gif(
      DGifOpen(file, readGifBytes, &error));
  if (gif && DGifSlurp(gif.get()) == GIF_OK && gif->ImageCount > 0) return true;
  const char* text = GifErrorString(gif ? gif->Error : error);
  reason = std::string("its GIF data is damaged: ") +
           (text ? text : "no picture in it");
  return false;
}

bool wholeWebp(const Bytes& bytes, std::string& reason) {
  int width = 0, height = 0;
  uint8_t* const rgba = WebPDecodeRGBA(bytes.data(), bytes.size(), &width, &height);
  if (rgba) {
    WebPFree(rgba);
    return true;
  }
  reason = "its WebP data is damaged";
  return false;
}

tmsize_t readTiffBytes(thandle_t handle, void* out, tmsize_t size) {
  auto* reader = static_cast<MemoryReader*>(handle);
  const std::size_t left =
      reader->at < reader->bytes->size() ? reader->bytes->size() - reader->at : 0;
  const std::size_t n = std::min(left, std::size_t(size < 0 ? 0 : size));
  std::memcpy(out, reader->bytes->data() + reader->at, n);
  reader->at += n;
  return tmsize_t(n);
}
tmsize_t noTiffWrite(thandle_t, void*, tmsize_t) { return 0; }
toff_t seekTiff(thandle_t handle, toff_t offset, int whence) {
  auto* reader = static_cast<MemoryReader*>(handle);
  const toff_t base = whence == SEEK_CUR   ? reader->at
                      : whence == SEEK_END ? reader->bytes->size()
                                           : 0;
  reader->at = std::size_t(base + offset);
  return reader->at;
}
int noTiffClose(thandle_t) { return 0; }
toff_t tiffSize(thandle_t handle) {
  return static_cast<MemoryReader*>(handle)->bytes->size();
}

bool wholeTiff(const Bytes& bytes, std::string& reason) {
  MemoryReader reader{&bytes, 0};
  std::string error;
  const CHandle<TIFF, TIFFClose> tif(openTiffClient(
      "rm", &reader, {readTiffBytes, noTiffWrite, seekTiff, noTiffClose, tiffSize},
      error));
  bool whole = tif != nullptr;
  if (whole) {
    Bytes strip(std::size_t(TIFFStripSize(tif.get())));
    const tstrip_t strips = TIFFNumberOfStrips(tif.get());
    for (tstrip_t s = 0; whole && s < strips; ++s) {
      whole = TIFFReadEncodedStrip(tif.get(), s, strip.data(),
                                   tmsize_t(strip.size())) >= 0;
    }
  }
  if (whole && error.empty()) return true;
  reason = "its TIFF data is damaged" + (error.empty() ? "" : ": " + error);
  return false;
}

int closeFile(std::FILE* file) { return std::fclose(file); }

// The rest of the file, for the formats decoded from memory.
Bytes restOf(std::FILE* file) {
  Bytes bytes;
  unsigned char chunk[65536];
  for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
    bytes.insert(bytes.end(), chunk, chunk + n);
  return bytes;
}

}  // namespace

bool decodesWhole(const std::string& path, std::string& reason) {
  const CHandle<std::FILE, closeFile> file(std::fopen(path.c_str(), "rb"));
  Bytes magic(12);
  if (!file) {
    reason = "it cannot be read";
    return false;
  }
  magic.resize(std::fread(magic.data(), 1, magic.size(), file.get()));
  std::rewind(file.get());
  // PNG, JPEG and GIF stream from the file: a big frame costs no more
  // memory than a row.
  if (startsWith(magic, "\x89PNG", 4)) return wholePng(file.get(), reason);
  if (startsWith(magic, "\xFF\xD8", 2)) return wholeJpeg(file.get(), reason);
  if (startsWith(magic, "GIF8", 4)) return wholeGif(file.get(), reason);
  if (startsWith(magic, "II*", 4) || startsWith(magic, "MM\0*", 4))
    return wholeTiff(restOf(file.get()), reason);
  if (startsWith(magic, "RIFF", 4) && magic.size() >= 12 &&
      std::memcmp(magic.data() + 8, "WEBP", 4) == 0)
    return wholeWebp(restOf(file.get()), reason);
  reason = "nothing here can tell whether it is whole";
  return false;
}

}  // namespace marl
