// Preloaded into marl by tests to stand for a file system without unnamed
// files (NFS, some FUSE ones): open with O_TMPFILE fails as there, with
// EOPNOTSUPP, and every other open goes through.
#include <dlfcn.h>
#include <fcntl.h>

#include <cerrno>
#include <cstdarg>

namespace {

using Open = int (*)(const char*, int, ...);

int openUnlessUnnamed(const char* symbol, const char* path, int flags,
                      mode_t mode) {
  if ((flags & O_TMPFILE) == O_TMPFILE) {
    errno = EOPNOTSUPP;
    return -1;
  }
  static Open real = reinterpret_cast<Open>(dlsym(RTLD_NEXT, symbol));
  return real(path, flags, mode);
}

}  // namespace

extern "C" int open(const char* path, int flags, ...) {
  va_list rest;
  va_start(rest, flags);
  const mode_t mode = (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE
                          ? mode_t(va_arg(rest, int))
                          : 0;
  va_end(rest);
  return openUnlessUnnamed("open", path, flags, mode);
}

extern "C" int open64(const char* path, int flags, ...) {
  va_list rest;
  va_start(rest, flags);
  const mode_t mode = (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE
                          ? mode_t(va_arg(rest, int))
                          : 0;
  va_end(rest);
  return openUnlessUnnamed("open64", path, flags, mode);
}
