#ifndef MARL_IMAGE_TIFF_CLIENT_H_
#define MARL_IMAGE_TIFF_CLIENT_H_

#include <tiffio.h>

#include <string>

namespace marl {

// The caller's own file procedures for libtiff (memory, a bounded file).
struct TiffClientIo {
  TIFFReadWriteProc read;
  TIFFReadWriteProc write;
  TIFFSeekProc seek;
  TIFFCloseProc close;
  TIFFSizeProc size;
};

// Opens a TIFF through `io` on `handle`, never mapping it into memory, with
// libtiff's messages kept off the process's error stream: the first error
// becomes `error` (the reason the caller reports), warnings are dropped.
// A `maxAllocation` above 0 caps each of libtiff's allocations. nullptr
// when it cannot be opened; the caller owns the result (TIFFClose). The
// procedures must not throw: libtiff frees nothing an exception passes.
TIFF* openTiffClient(const char* mode, thandle_t handle, const TiffClientIo& io,
                     std::string& error, tmsize_t maxAllocation = 0);

}  // namespace marl

#endif  // MARL_IMAGE_TIFF_CLIENT_H_
