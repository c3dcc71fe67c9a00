// Why a module loaded with dlopen: FFmpeg's libraries (and x264's, VP9's,
// and all they pull in) are 100-odd shared libraries and 190 MB of
// address space, which every run paid for, a still included, when the
// program linked them; a still must start where memory is tight. Another
// process would keep them out as well, but each frame's pixels would then
// be copied through a pipe, its failures, warnings and running out of
// memory turned into a protocol, and the temporary files of two processes
// kept track of across signals. A module runs in this process: the
// encoder takes the same rows as every other encoder, fails the same way,
// writes into the same DurableFile, and costs nothing until the first MP4
// or WebM is written or read.
#include "video/video_module.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "base/escaped_text.h"

namespace marl {

namespace {

using Entry = const VideoModule* (*)(int interface);

// The folder the running program is in, "" when the kernel cannot say.
std::string programFolder() {
  std::vector<char> path(4096);
  const ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
  if (n <= 0 || std::size_t(n) >= path.size()) return "";
  const std::string program(path.data(), std::size_t(n));
  return program.substr(0, program.rfind('/') + 1);
}

struct Loaded {
  const VideoModule* module = nullptr;
  std::string error;
};

// Opens the first candidate that exists; one that exists but cannot be
// loaded is an error of its own, never passed over for another.
Loaded load() {
  Loaded loaded;
  const std::string folder = programFolder();
  if (folder.empty()) {
    loaded.error = "marl's video module, which MP4 and WebM need, cannot be "
                   "found: the program's own path is unknown";
    return loaded;
  }
  const std::string candidates[] = {
      folder + VideoModuleFile, folder + "../lib/marl/" + VideoModuleFile};
  for (const std::string& path : candidates) {
    if (access(path.c_str(), F_OK) != 0) continue;
    const std::string shown = "'" + escapedText(path) + "'";
    // Never closed: encoders it made may live to the end of the run.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      const char* why = dlerror();
      loaded.error = "marl's video module, which MP4 and WebM need, cannot "
                     "be loaded from " + shown + ": " +
                     escapedText(why ? why : "unknown reason");
      return loaded;
    }
    const auto entry =
        reinterpret_cast<Entry>(dlsym(handle, VideoModuleEntry));
    loaded.module = entry ? entry(VideoModuleInterface) : nullptr;
    if (!loaded.module)
      loaded.error = "marl's video module " + shown + " is not the one this "
                     "program was built with";
    return loaded;
  }
  loaded.error = "marl's video module, which MP4 and WebM need, is neither '" +
                 escapedText(candidates[0]) + "' nor '" +
                 escapedText(candidates[1]) + "'";
  return loaded;
}

}  // namespace

const VideoModule* videoModule(std::string& error) {
  static const Loaded loaded = load();
  if (!loaded.module) error = loaded.error;
  return loaded.module;
}

}  // namespace marl
