#include "files/bounded_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace marl {

BoundedFile::~BoundedFile() {
  if (fd_ >= 0) close(fd_);
}

bool BoundedFile::open(const std::string& path) {
  // Not blocking: opening a FIFO must not wait for a writer.
  fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd_ < 0) return false;
  struct stat st {};
  if (fstat(fd_, &st) != 0) return false;
  regular_ = S_ISREG(st.st_mode);
  size_ = regular_ ? static_cast<std::uint64_t>(st.st_size) : 0;
  return true;
}

std::size_t BoundedFile::read(void* buffer, std::size_t length) {
  // A request past the end is not one past the budget. This also keeps
  // offsets beyond off_t's range away from pread.
  if (regular_ && length > size_ - std::min(position_, size_)) {
    reachedEnd_ = true;
    length = static_cast<std::size_t>(size_ - std::min(position_, size_));
  }
  const std::size_t left = budget_ - bytesRead_;
  if (length > left) {
    exhaustedBudget_ = true;
    length = left;
  }
  std::size_t done = 0;
  while (done < length) {
    const ssize_t n = pread(fd_, static_cast<char*>(buffer) + done,
                            length - done, static_cast<off_t>(position_));
    if (n < 0) {
      if (errno == EINTR) continue;
      if (readError_ == 0) readError_ = errno;
      break;
    }
    if (n == 0) {
      reachedEnd_ = true;
      break;
    }
    done += static_cast<std::size_t>(n);
    position_ += static_cast<std::uint64_t>(n);
  }
  bytesRead_ += done;
  return done;
}

}  // namespace marl
