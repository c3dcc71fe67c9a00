#include "support/sync_calls.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace sync_calls {
std::atomic<bool> recording{false};
std::mutex mutex;
std::vector<std::string> calls;
std::string failing;

namespace {
std::string pathOf(int fd) {
  char link[4096];
  const ssize_t n = readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(),
                             link, sizeof link);
  return n > 0 ? std::string(link, std::size_t(n)) : "?";
}

// Notes `call`; true when it is to fail.
bool note(const std::string& call) {
  if (!recording) return false;
  std::lock_guard<std::mutex> lock(mutex);
  calls.push_back(call);
  return !failing.empty() && call.rfind(failing, 0) == 0;
}
}  // namespace
}  // namespace sync_calls

extern "C" int fsync(int fd) {
  static const auto real =
      reinterpret_cast<int (*)(int)>(dlsym(RTLD_NEXT, "fsync"));
  struct stat st {};
  fstat(fd, &st);
  if (sync_calls::note((S_ISDIR(st.st_mode) ? "fsync folder " : "fsync file ") +
                       sync_calls::pathOf(fd))) {
    errno = EIO;
    return -1;
  }
  return real(fd);
}

extern "C" int renameat2(int fromFolder, const char* from, int toFolder,
                         const char* to, unsigned flags) {
  static const auto real =
      reinterpret_cast<int (*)(int, const char*, int, const char*, unsigned)>(
          dlsym(RTLD_NEXT, "renameat2"));
  sync_calls::note(std::string("rename ") + from + " " + to);
  return real(fromFolder, from, toFolder, to, flags);
}

extern "C" int linkat(int fromFolder, const char* from, int toFolder,
                      const char* to, int flags) {
  static const auto real =
      reinterpret_cast<int (*)(int, const char*, int, const char*, int)>(
          dlsym(RTLD_NEXT, "linkat"));
  sync_calls::note(std::string("link ") + from + " " + to);
  return real(fromFolder, from, toFolder, to, flags);
}
