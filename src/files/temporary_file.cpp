#include "files/temporary_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <random>
#include <string>
#include <utility>

#include "base/files_to_remove.h"

namespace marl {

namespace {

// Moves `from` to `to` unless `to` exists. File systems that refuse the
// no-replace flag get a hard link, which cannot replace either; those
// without hard links get an empty file of our own claimed exclusively under
// the name, which the rename then replaces.
bool renameWithoutReplacing(const char* from, const char* to) {
  if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0)
    return true;
  if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return false;
  if (link(from, to) == 0) {
    unlink(from);
    return true;
  }
  if (errno != EPERM && errno != EOPNOTSUPP && errno != EMLINK) return false;
  const int fd = open(to, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  ::close(fd);
  if (rename(from, to) == 0) return true;
  const int error = errno;
  unlink(to);
  errno = error;
  return false;
}

// The folder a path names its entry in: "." for a bare name.
std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

TemporaryFile::~TemporaryFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!name_.empty() && !moved_) unlink(name_.c_str());
  forgetTemporaryFile(entry_);
}

bool TemporaryFile::create(const std::string& finalName) {
  static const char Letters[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  // A private generator: the process-wide random source must not be drawn
  // from here, as its order of draws decides the pictures.
  std::minstd_rand pick(static_cast<std::minstd_rand::result_type>(
      std::chrono::steady_clock::now().time_since_epoch().count() ^
      (static_cast<long>(getpid()) << 16)));
  // When the final name is near the limit for one name, a short one in the
  // same folder is used instead.
  const std::size_t slash = finalName.rfind('/');
  const std::string folder =
      slash == std::string::npos ? "" : finalName.substr(0, slash + 1);
  std::string prefix = finalName + ".tmp-";
  std::string name;
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = prefix;
    for (int i = 0; i < 6; ++i) name += Letters[pick() % (sizeof Letters - 1)];
    // Listed before it exists, so that no moment has an unlisted file, and
    // never made unlisted, as nothing would remove it after a signal.
    const int entry = registerTemporaryFile(name.c_str());
    const int fd =
        entry < 0 ? -1
                  : open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                         0666);
    if (fd >= 0) {
      fd_ = fd;
      entry_ = entry;
      name_.swap(name);  // cannot throw, so the file is never lost track of
      return true;
    }
    const int error = errno;
    forgetTemporaryFile(entry);
    errno = error;
    if (error == ENAMETOOLONG && prefix != folder + ".marl.tmp-") {
      prefix = folder + ".marl.tmp-";
    } else if (error != EEXIST) {
      return false;
    }
  }
  errno = EEXIST;
  return false;
}

bool TemporaryFile::writeAt(std::uint64_t offset, const unsigned char* bytes,
                            std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::pwrite(fd_, bytes, size, static_cast<off_t>(offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes += n;
    size -= static_cast<std::size_t>(n);
    offset += static_cast<std::uint64_t>(n);
  }
  return true;
}

bool TemporaryFile::sync() {
  while (fsync(fd_) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

bool TemporaryFile::close() {
  const int fd = fd_;
  fd_ = -1;
  return ::close(fd) == 0;
}

bool TemporaryFile::moveToNewName(const std::string& name) {
  // Made first: once the file has its name, nothing may throw.
  std::string folder = folderOf(name);
  if (!renameWithoutReplacing(name_.c_str(), name.c_str())) return false;
  moved_ = true;
  folder_.swap(folder);
  return true;
}

bool TemporaryFile::replace(const std::string& name) {
  std::string folder = folderOf(name);
  if (rename(name_.c_str(), name.c_str()) != 0) return false;
  moved_ = true;
  folder_.swap(folder);
  return true;
}

bool TemporaryFile::syncFolder() {
  const int fd = open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  int status;
  while ((status = fsync(fd)) != 0 && errno == EINTR) {
  }
  const int error = errno;
  ::close(fd);
  errno = error;
  return status == 0 || error == EINVAL;
}

}  // namespace marl
