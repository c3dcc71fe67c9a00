#include <tiffio.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "base/c_handle.h"
#include "render/image_encoders.h"
#include "render/tiff_client.h"

namespace marl {

namespace {

// libtiff writes through these callbacks into memory, so that every file
// error is met, and reported, in one place by the caller.
struct MemoryFile {
  std::vector<unsigned char>* bytes;
  toff_t position;
  bool outOfMemory;  // a write found no memory: libtiff saw it fail
};

tmsize_t memoryRead(thandle_t handle, void* buffer, tmsize_t size) {
  auto* file = static_cast<MemoryFile*>(handle);
  const std::vector<unsigned char>& bytes = *file->bytes;
  if (size <= 0 || file->position >= bytes.size()) return 0;
  const std::size_t n =
      std::min<std::size_t>(size, bytes.size() - file->position);
  std::memcpy(buffer, bytes.data() + file->position, n);
  file->position += n;
  return static_cast<tmsize_t>(n);
}

tmsize_t memoryWrite(thandle_t handle, void* buffer, tmsize_t size) {
  auto* file = static_cast<MemoryFile*>(handle);
  if (size <= 0) return 0;
  std::vector<unsigned char>& bytes = *file->bytes;
  const std::size_t end = file->position + static_cast<std::size_t>(size);
  // No exception may pass through libtiff, which would free nothing.
  try {
    if (end > bytes.size()) bytes.resize(end);
  } catch (const std::bad_alloc&) {
    file->outOfMemory = true;
    return 0;
  }
  std::memcpy(bytes.data() + file->position, buffer, size);
  file->position = end;
  return size;
}

toff_t memorySeek(thandle_t handle, toff_t offset, int whence) {
  auto* file = static_cast<MemoryFile*>(handle);
  switch (whence) {
    case SEEK_SET:
      file->position = offset;
      break;
    case SEEK_CUR:
      file->position += offset;
      break;
    case SEEK_END:
      file->position = file->bytes->size() + offset;
      break;
    default:
      return static_cast<toff_t>(-1);
  }
  return file->position;
}

int memoryClose(thandle_t) { return 0; }

toff_t memorySize(thandle_t handle) {
  return static_cast<MemoryFile*>(handle)->bytes->size();
}




bool allOpaque(const Bitmap& bitmap) {
  for (int y = 0; y < bitmap.height(); ++y) {
    const uint32_t* pixels = bitmap.row(y);
    for (int x = 0; x < bitmap.width(); ++x) {
      if ((pixels[x] >> 24) != 0xFFu) return false;
    }
  }
  return true;
}

// Undoes Cairo's premultiplication, rounding to nearest.
unsigned char unpremultiply(uint32_t channel, uint32_t alpha) {
  if (alpha == 0) return 0;
  return static_cast<unsigned char>(
      std::min<uint32_t>(255, (channel * 255 + alpha / 2) / alpha));
}

bool writeRows(TIFF* tif, const Bitmap& bitmap, bool opaque) {
  const int samples = opaque ? 3 : 4;
  std::vector<unsigned char> line(std::size_t(bitmap.width()) * samples);
  for (int y = 0; y < bitmap.height(); ++y) {
    const uint32_t* pixels = bitmap.row(y);
    unsigned char* out = line.data();
    for (int x = 0; x < bitmap.width(); ++x) {
      const uint32_t p = pixels[x];
      const uint32_t a = p >> 24;
      const uint32_t r = (p >> 16) & 0xFFu, g = (p >> 8) & 0xFFu, b = p & 0xFFu;
      if (opaque) {
        *out++ = static_cast<unsigned char>(r);
        *out++ = static_cast<unsigned char>(g);
        *out++ = static_cast<unsigned char>(b);
      } else {
        *out++ = unpremultiply(r, a);
        *out++ = unpremultiply(g, a);
        *out++ = unpremultiply(b, a);
        *out++ = static_cast<unsigned char>(a);
      }
    }
    if (TIFFWriteScanline(tif, line.data(), static_cast<uint32_t>(y), 0) < 0)
      return false;
  }
  return true;
}

}  // namespace

bool encodeTiff(const Bitmap& bitmap, const std::string& embeddedText,
                std::vector<unsigned char>& out, std::string& error) {
  cairo_surface_flush(bitmap.surface());
  out.clear();
  error.clear();
  if (embeddedText.find('\0') != std::string::npos) {
    error = "the text to embed holds a NUL byte, which a TIFF cannot store";
    return false;
  }
  MemoryFile file{&out, 0, false};
  CHandle<TIFF, TIFFClose> handle(openTiffClient(
      "w", &file,
      {memoryRead, memoryWrite, memorySeek, memoryClose, memorySize}, error));
  TIFF* const tif = handle.get();
  if (!tif) {
    if (file.outOfMemory)
      error = OutOfMemoryWhileEncoding;
    else if (error.empty())
      error = "cannot start a TIFF stream";
    return false;
  }

  const bool opaque = allOpaque(bitmap);
  bool ok = TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(bitmap.width())) &&
            TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(bitmap.height())) &&
            TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8) &&
            TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, opaque ? 3 : 4) &&
            TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB) &&
            TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
            TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT) &&
            TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE) &&
            TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
  if (ok && !embeddedText.empty())
    ok = TIFFSetField(tif, TIFFTAG_IMAGEDESCRIPTION, embeddedText.c_str());
  if (ok && !opaque) {
    const uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
    ok = TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra);
  }
  ok = ok &&
       TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0)) &&
       writeRows(tif, bitmap, opaque) && TIFFFlush(tif) == 1;
  handle.reset();  // closing may still write
  if (file.outOfMemory)
    error = OutOfMemoryWhileEncoding;
  if (!ok && error.empty()) error = "TIFF encoding failed";
  return ok && error.empty();
}

}  // namespace marl
