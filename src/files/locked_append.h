#ifndef MARL_FILES_LOCKED_APPEND_H_
#define MARL_FILES_LOCKED_APPEND_H_

#include <memory>
#include <string>

namespace marl {

// A file that many processes append whole lines to, such as one catalogue
// shared by every task of a cluster batch. Each line goes in under an
// advisory lock (flock) on the whole file, in one append, and is synced
// before the lock is let go, so that lines of different processes never
// interleave and a line reported written is on the disk. A file left
// ending inside a line (a writer killed mid-write) gets a line feed first,
// so that the new line is still a line of its own.
class LockedAppendFile {
 public:
  // Opens `path` for appending, creating it when absent; nullptr with the
  // reason in `why` when it cannot be (a folder, a device, no permission).
  static std::unique_ptr<LockedAppendFile> open(const std::string& path,
                                                std::string& why);
  ~LockedAppendFile();
  LockedAppendFile(const LockedAppendFile&) = delete;
  LockedAppendFile& operator=(const LockedAppendFile&) = delete;

  // Appends `line`, which ends with a line feed; false with the reason in
  // `why` when it is not all on the disk.
  bool append(const std::string& line, std::string& why);

  const std::string& path() const { return path_; }

 private:
  LockedAppendFile(std::string path, int fd)
      : path_(std::move(path)), fd_(fd) {}

  // Under the lock: the bytes, after a line feed when the file ends without.
  bool appendLocked(const std::string& line, std::string& why);

  std::string path_;
  int fd_ = -1;
};

}  // namespace marl

#endif  // MARL_FILES_LOCKED_APPEND_H_
