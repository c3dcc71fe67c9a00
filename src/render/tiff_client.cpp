#include "render/tiff_client.h"

#include <cstdarg>
#include <cstdio>

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
    *error = text;
  }
  return 1;
}

int dropWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

}  // namespace

TIFF* openTiffClient(const char* mode, thandle_t handle, const TiffClientIo& io,
                     std::string& error, tmsize_t maxAllocation) {
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (!options) {
    error = "out of memory";
    return nullptr;
  }
  TIFFOpenOptionsSetErrorHandlerExtR(options, keepError, &error);
  TIFFOpenOptionsSetWarningHandlerExtR(options, dropWarning, nullptr);
  if (maxAllocation > 0)
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, maxAllocation);
  TIFF* tif = TIFFClientOpenExt("picture", mode, handle, io.read, io.write,
                                io.seek, io.close, io.size, noMap, noUnmap,
                                options);
  TIFFOpenOptionsFree(options);
  return tif;
}

}  // namespace marl
