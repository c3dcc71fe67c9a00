#include "render/image_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>

namespace marl {

namespace {

bool fail(std::ostream& err, const std::string& fileName,
          const std::string& reason) {
  err << "marl: error: cannot write '" << fileName << "': " << reason
      << std::endl;
  return false;
}

// Creates a new file whose name starts with `prefix`. Unlike mkstemp's 0600,
// the file gets the mode the final picture should have (0666 less umask).
int createUnique(const std::string& prefix, std::string& name) {
  static const char Letters[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  // A private generator: the process-wide random source must not be drawn
  // from here, as its order of draws decides the pictures.
  std::minstd_rand pick(static_cast<std::minstd_rand::result_type>(
      std::chrono::steady_clock::now().time_since_epoch().count() ^
      (static_cast<long>(getpid()) << 16)));
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = prefix;
    for (int i = 0; i < 6; ++i) name += Letters[pick() % (sizeof Letters - 1)];
    const int fd =
        open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

// The temporary file lies in the folder of the final name, so that the
// rename cannot cross file systems. When the name is already near the
// limit for one name, a short one in the same folder is used instead.
int createTemporary(const std::string& fileName, std::string& tempName) {
  int fd = createUnique(fileName + ".tmp-", tempName);
  if (fd < 0 && errno == ENAMETOOLONG) {
    const std::size_t slash = fileName.rfind('/');
    const std::string folder = slash == std::string::npos
                                   ? std::string()
                                   : fileName.substr(0, slash + 1);
    fd = createUnique(folder + ".marl.tmp-", tempName);
  }
  return fd;
}

bool writeAll(int fd, const std::vector<unsigned char>& bytes) {
  const unsigned char* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

bool writeImageFile(const Bitmap& bitmap, const ImageFormat& format,
                    const std::string& fileName, std::ostream& err,
                    const std::string& embeddedText) {
  if (!bitmap.ok()) return fail(err, fileName, "the picture could not be made");

  // Encoding first means a library failure leaves nothing on disk at all.
  std::vector<unsigned char> bytes;
  std::string reason;
  if (!format.encode(bitmap, embeddedText, bytes, reason))
    return fail(err, fileName, reason.empty() ? "encoding failed" : reason);

  std::string tempName;
  const int fd = createTemporary(fileName, tempName);
  if (fd < 0) return fail(err, fileName, std::strerror(errno));
  bool ok = writeAll(fd, bytes);
  int error = ok ? 0 : errno;
  // close can report a write the kernel could not complete.
  if (close(fd) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (ok && std::rename(tempName.c_str(), fileName.c_str()) != 0) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    unlink(tempName.c_str());
    return fail(err, fileName, std::strerror(error));
  }
  return true;
}

}  // namespace marl
