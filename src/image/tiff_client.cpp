#include "image/tiff_client.h"

#include <cstdarg>
#include <cstdio>
#include <new>

#include "base/c_handle.h"

namespace marl {

namespace {

int noMap(thandle_t, void**, toff_t*) { return 0; }
void noUnmap(thandle_t, void*, toff_t) {}

int keepError(TIFF*, void* userData, const char*, const char* format,
              va_list args) {
  auto* error = static_cast<std::string*>(userData);
  if (error->empty()) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    // No exception may pass through libtiff, which would free nothing.
    try {
      *error = text;
    } catch (const std::bad_alloc&) {
    }
  }
  return 1;
}

int dropWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

}  // namespace

TIFF* openTiffClient(const char* mode, thandle_t handle, const TiffClientIo& io,
                     std::string& error, tmsize_t maxAllocation) {
  const CHandle<TIFFOpenOptions, TIFFOpenOptionsFree> options(
      TIFFOpenOptionsAlloc());
  if (!options) {
    error = "out of memory";
    return nullptr;
  }
  TIFFOpenOptionsSetErrorHandlerExtR(options.get(), keepError, &error);
  TIFFOpenOptionsSetWarningHandlerExtR(options.get(), dropWarning, nullptr);
  if (maxAllocation > 0)
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), maxAllocation);
  return TIFFClientOpenExt("picture", mode, handle, io.read, io.write, io.seek,
                           io.close, io.size, noMap, noUnmap, options.get());
}

}  // namespace marl
