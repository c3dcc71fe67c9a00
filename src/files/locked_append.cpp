#include "files/locked_append.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace marl {

namespace {

std::string reason() { return std::strerror(errno); }

// Every byte of `text`, through short writes and interruptions.
bool writeAll(int fd, const char* text, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, text, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    text += n;
    size -= std::size_t(n);
  }
  return true;
}

bool lockWhole(int fd, int operation) {
  while (::flock(fd, operation) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

}  // namespace

std::unique_ptr<LockedAppendFile> LockedAppendFile::open(
    const std::string& path, std::string& why) {
  // Read too, for the file's last byte. Not blocking, so that a FIFO without a reader is refused instead of
  // waited on; the flag is dropped once the file is known to be plain.
  const int fd = ::open(path.c_str(),
                        O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK,
                        0666);
  if (fd < 0) {
    why = reason();
    return nullptr;
  }
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    why = S_ISREG(status.st_mode) ? reason() : "not a plain file";
    ::close(fd);
    return nullptr;
  }
  ::fcntl(fd, F_SETFL, O_APPEND);
  return std::unique_ptr<LockedAppendFile>(
      new LockedAppendFile(path, fd));
}

LockedAppendFile::~LockedAppendFile() {
  if (fd_ >= 0) ::close(fd_);
}

bool LockedAppendFile::append(const std::string& line, std::string& why) {
  if (!lockWhole(fd_, LOCK_EX)) {
    why = "cannot lock it: " + reason();
    return false;
  }
  const bool written = appendLocked(line, why);
  lockWhole(fd_, LOCK_UN);
  return written;
}

bool LockedAppendFile::appendLocked(const std::string& line,
                                    std::string& why) {
  struct stat status {};
  if (::fstat(fd_, &status) != 0) {
    why = reason();
    return false;
  }
  std::string text;
  char last = '\n';
  if (status.st_size > 0 &&
      ::pread(fd_, &last, 1, status.st_size - 1) != 1) {
    why = "cannot read its end: " + reason();
    return false;
  }
  if (last != '\n') text = "\n";
  text += line;
  if (!writeAll(fd_, text.data(), text.size())) {
    why = reason();
    // A part of a line is taken back, so that the file stays whole lines.
    if (::ftruncate(fd_, status.st_size) != 0)
      why += "; a part of the line is left in it";
    return false;
  }
  if (::fdatasync(fd_) != 0) {
    why = reason();
    return false;
  }
  return true;
}

}  // namespace marl
