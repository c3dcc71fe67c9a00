#include <tiffio.h>

#include <cerrno>
#include <cstdio>
#include <new>

#include "base/c_handle.h"
#include "image/image_encoders.h"
#include "image/tiff_client.h"

namespace marl {

namespace {

// libtiff writes through these callbacks into the sink, row by row; it goes
// back only to fix the header's directory offset at the end.
struct SinkFile {
  ByteSink* sink;
  toff_t position;
  int writeError;    // errno of the first failed write
  bool outOfMemory;  // a write found no memory: libtiff saw it fail
};

tmsize_t noRead(thandle_t, void*, tmsize_t) { return 0; }

tmsize_t sinkWrite(thandle_t handle, void* buffer, tmsize_t size) {
  auto* file = static_cast<SinkFile*>(handle);
  if (size <= 0) return 0;
  // No exception may pass through libtiff, which would free nothing.
  bool written;
  try {
    written = file->sink->writeAt(
        file->position, static_cast<const unsigned char*>(buffer),
        static_cast<std::size_t>(size));
  } catch (const std::bad_alloc&) {
    file->outOfMemory = true;
    return -1;
  }
  if (!written) {
    if (file->writeError == 0) file->writeError = errno;
    return -1;
  }
  file->position += static_cast<toff_t>(size);
  return size;
}

toff_t sinkSeek(thandle_t handle, toff_t offset, int whence) {
  auto* file = static_cast<SinkFile*>(handle);
  switch (whence) {
    case SEEK_SET:
      file->position = offset;
      break;
    case SEEK_CUR:
      file->position += offset;
      break;
    case SEEK_END:
      file->position = file->sink->size() + offset;
      break;
    default:
      return static_cast<toff_t>(-1);
  }
  return file->position;
}

int noClose(thandle_t) { return 0; }

toff_t sinkSize(thandle_t handle) {
  return static_cast<SinkFile*>(handle)->sink->size();
}

bool setFields(TIFF* tif, const PictureShape& shape, const std::string& text) {
  bool ok =
      TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(shape.width)) &&
      TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(shape.height)) &&
      TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, shape.depth) &&
      TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, shape.samples()) &&
      TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB) &&
      TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
      TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT) &&
      TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE) &&
      TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
  if (ok && !text.empty())
    ok = TIFFSetField(tif, TIFFTAG_IMAGEDESCRIPTION, text.c_str());
  if (ok && shape.alpha) {
    const uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
    ok = TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra);
  }
  return ok && TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP,
                            TIFFDefaultStripSize(tif, 0));
}

// Whether the file could pass the 4 GiB a classic TIFF's 32-bit offsets
// reach: when the samples alone, plus the text and room for Deflate's worst
// case and the strip tables, might. Such a picture is written as a BigTIFF,
// which fewer programs read, so only then.
bool needsBigTiff(const PictureShape& shape, std::size_t textBytes) {
  const double samples = double(shape.rowBytes()) * double(shape.height);
  return samples * 1.01 + double(textBytes) + double(1 << 24) >=
         4294967296.0;
}

}  // namespace

bool encodeTiff(RowSource& rows, const EncodeOptions& options, ByteSink& out,
                std::string& error) {
  const PictureShape& shape = rows.shape();
  error.clear();
  if (!acceptShape(shape, 16, true, "TIFF", error)) return false;
  if (options.text.find('\0') != std::string::npos) {
    error = "the text to embed holds a NUL byte, which a TIFF cannot store";
    return false;
  }
  SinkFile file{&out, 0, 0, false};
  CHandle<TIFF, TIFFClose> tif(openTiffClient(
      needsBigTiff(shape, options.text.size()) ? "w8" : "w", &file,
      {noRead, sinkWrite, sinkSeek, noClose, sinkSize}, error));
  if (!tif) {
    if (file.outOfMemory)
      error = OutOfMemoryWhileEncoding;
    else if (error.empty())
      error = "cannot start a TIFF stream";
    return false;
  }
  // Samples go in the machine's byte order, which a new TIFF takes as its
  // own.
  bool ok = setFields(tif.get(), shape, options.text) &&
            forEachBand(rows, [&](const unsigned char* band, int first,
                                  int count) {
              for (int i = 0; i < count; ++i) {
                auto* row = const_cast<unsigned char*>(
                    band + shape.rowBytes() * std::size_t(i));
                if (TIFFWriteScanline(tif.get(), row, uint32_t(first + i),
                                      0) < 0)
                  return false;
              }
              return true;
            }) &&
            TIFFFlush(tif.get()) == 1;
  tif.reset();  // closing may still write
  if (file.outOfMemory) error = OutOfMemoryWhileEncoding;
  if (file.writeError != 0) errno = file.writeError;
  if (!ok && error.empty()) error = "TIFF encoding failed";
  return ok && error.empty() && file.writeError == 0;
}

}  // namespace marl
