#include <tiffio.h>

#include <cstdio>
#include <string>

#include "base/c_handle.h"
#include "readers/embedded_text_readers.h"
#include "image/tiff_client.h"

namespace marl {

namespace {

// libtiff reads through these, so every byte it takes counts against the
// budget, while it seeks freely to the directory at the end of the file.
tmsize_t boundedRead(thandle_t handle, void* buffer, tmsize_t size) {
  if (size <= 0) return 0;
  return static_cast<tmsize_t>(static_cast<BoundedFile*>(handle)->read(
      buffer, static_cast<std::size_t>(size)));
}

tmsize_t noWrite(thandle_t, void*, tmsize_t) { return 0; }

toff_t boundedSeek(thandle_t handle, toff_t offset, int whence) {
  auto* file = static_cast<BoundedFile*>(handle);
  switch (whence) {
    case SEEK_SET:
      file->seek(offset);
      break;
    case SEEK_CUR:
      file->seek(file->position() + offset);
      break;
    case SEEK_END:
      file->seek(file->size() + offset);
      break;
    default:
      return static_cast<toff_t>(-1);
  }
  return file->position();
}

int noClose(thandle_t) { return 0; }

toff_t fileSize(thandle_t handle) {
  return static_cast<BoundedFile*>(handle)->size();
}

// No single allocation for a directory and its tags needs more; a forged
// count must not make libtiff ask for gigabytes.
constexpr tmsize_t MaxAllocation = 4 * tmsize_t(MaxEmbeddedTextRead);

}  // namespace

void readTiffText(BoundedFile& file, EmbeddedTextResult& result) {
  std::string error;
  // "m": never map the file into memory, which would bypass the budget.
  const CHandle<TIFF, TIFFClose> handle(openTiffClient(
      "rm", &file, {boundedRead, noWrite, boundedSeek, noClose, fileSize},
      error, MaxAllocation));
  TIFF* const tif = handle.get();
  if (!tif) {
    failReading(file, file.reachedEnd(), error, result);
    return;
  }
  uint32_t width = 0, height = 0;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
  if (!plausibleSides(width, height, result)) return;
  const char* description = nullptr;
  const bool has =
      TIFFGetField(tif, TIFFTAG_IMAGEDESCRIPTION, &description) == 1 &&
      description != nullptr;
  // libtiff drops a tag whose value it cannot read, sometimes without an
  // error: a short read then tells a missing text from an absent one.
  const bool cut = file.exhaustedBudget() || file.readError() != 0 ||
                   file.reachedEnd() || !error.empty();
  if (!has && cut)
    failReading(file, file.reachedEnd(), error, result);
  else
    foundTexts({has ? std::string(description) : std::string()}, result);
}

}  // namespace marl
