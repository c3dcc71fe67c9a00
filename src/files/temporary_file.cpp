#include "files/temporary_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <random>
#include <string>
#include <utility>

#include "base/files_to_remove.h"
#include "files/leftover_files.h"

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

// The folder part of a path with its slash, "" for a bare name.
std::string folderPrefix(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

}  // namespace

TemporaryFile::~TemporaryFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!unnamed_ && !name_.empty() && !moved_) unlink(name_.c_str());
  forgetTemporaryFile(entry_);
}

bool TemporaryFile::create(const std::string& finalName) {
  const std::string prefix = folderPrefix(finalName);
  removeDeadLeftovers(prefix.size() > 1 ? prefix.substr(0, prefix.size() - 1)
                                        : prefix);
  if (createUnnamed(folderOf(finalName))) return true;
  if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL &&
      errno != ENOENT)
    return false;
  return createNamed(finalName);
}

bool TemporaryFile::createUnnamed(const std::string& folder) {
  const int fd =
      open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  // Linked by its /proc path, which needs no privilege (AT_EMPTY_PATH
  // does): without /proc it cannot be named, so the named way is taken.
  std::string path = "/proc/self/fd/" + std::to_string(fd);
  if (access(path.c_str(), F_OK) != 0) {
    ::close(fd);
    errno = ENOENT;
    return false;
  }
  // Locked like a named one, for the moment replace() gives it a name.
  flock(fd, LOCK_EX | LOCK_NB);
  fd_ = fd;
  unnamed_ = true;
  name_.swap(path);
  return true;
}

bool TemporaryFile::makeNamed(const std::string& finalName, std::string& name,
                              int& entry) {
  static const char Letters[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  // A private generator: the process-wide random source must not be drawn
  // from here, as its order of draws decides the pictures.
  std::minstd_rand pick(static_cast<std::minstd_rand::result_type>(
      std::chrono::steady_clock::now().time_since_epoch().count() ^
      (static_cast<long>(getpid()) << 16)));
  // When the final name is near the limit for one name, a short one in the
  // same folder is used instead.
  const std::string folder = folderPrefix(finalName);
  const std::string mark = temporaryNameMark();
  std::string prefix = finalName + mark;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string candidate = prefix;
    for (int i = 0; i < 6; ++i)
      candidate += Letters[pick() % (sizeof Letters - 1)];
    // Listed before it exists, so that no moment has an unlisted file, and
    // never made unlisted, as nothing would remove it after a signal.
    entry = registerTemporaryFile(candidate.c_str());
    bool made = false;
    if (entry >= 0 && unnamed_) {
      made = linkat(AT_FDCWD, name_.c_str(), AT_FDCWD, candidate.c_str(),
                    AT_SYMLINK_FOLLOW) == 0;
    } else if (entry >= 0) {
      const int fd = open(candidate.c_str(),
                          O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd >= 0) {
        // Held while this process lives: a later run that can take the
        // lock knows the file is a leftover.
        flock(fd, LOCK_EX | LOCK_NB);
        fd_ = fd;
        made = true;
      }
    }
    if (made) {
      name.swap(candidate);  // cannot throw, so the file is never lost track of
      return true;
    }
    const int error = errno;
    forgetTemporaryFile(entry);
    entry = -1;
    errno = error;
    if (error == ENAMETOOLONG && prefix != folder + ".marl" + mark) {
      prefix = folder + ".marl" + mark;
    } else if (error != EEXIST) {
      return false;
    }
  }
  errno = EEXIST;
  return false;
}

bool TemporaryFile::createNamed(const std::string& finalName) {
  std::string name;
  int entry = -1;
  if (!makeNamed(finalName, name, entry)) return false;
  entry_ = entry;
  name_.swap(name);
  return true;
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

bool TemporaryFile::close() { return unnamed_ ? true : closeNow(); }

bool TemporaryFile::closeNow() {
  const int fd = fd_;
  fd_ = -1;
  return fd < 0 || ::close(fd) == 0;
}

bool TemporaryFile::moveToNewName(const std::string& name) {
  // Made first: once the file has its name, nothing may throw.
  std::string folder = folderOf(name);
  if (unnamed_) {
    if (linkat(AT_FDCWD, name_.c_str(), AT_FDCWD, name.c_str(),
               AT_SYMLINK_FOLLOW) != 0)
      return false;
  } else if (!renameWithoutReplacing(name_.c_str(), name.c_str())) {
    return false;
  }
  moved_ = true;
  folder_.swap(folder);
  if (unnamed_) closeNow();
  return true;
}

bool TemporaryFile::replace(const std::string& name) {
  std::string folder = folderOf(name);
  // rename is the one call that replaces in one step, and it needs a name
  // to move from: an unnamed file gets a temporary one first.
  std::string from = name_;
  int entry = -1;
  if (unnamed_ && !makeNamed(name, from, entry)) return false;
  if (rename(from.c_str(), name.c_str()) != 0) {
    const int error = errno;
    if (unnamed_) unlink(from.c_str());
    forgetTemporaryFile(entry);
    errno = error;
    return false;
  }
  forgetTemporaryFile(entry);
  moved_ = true;
  folder_.swap(folder);
  if (unnamed_) closeNow();
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
