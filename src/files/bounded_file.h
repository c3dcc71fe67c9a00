#ifndef MARL_FILES_BOUNDED_FILE_H_
#define MARL_FILES_BOUNDED_FILE_H_

#include <cstddef>
#include <cstdint>
#include <string>

namespace marl {

// A file opened for reading that can seek anywhere but gives out at most
// `budget` bytes in all, so that no reader built on it goes through a whole
// large file. Only bytes actually read count: seeking is free.
class BoundedFile {
 public:
  explicit BoundedFile(std::size_t budget) : budget_(budget) {}
  ~BoundedFile();
  BoundedFile(const BoundedFile&) = delete;
  BoundedFile& operator=(const BoundedFile&) = delete;

  // False, with errno set, when the file cannot be opened.
  bool open(const std::string& path);
  // A pipe or device has no fixed size to seek in.
  bool isRegular() const { return regular_; }
  std::uint64_t size() const { return size_; }

  // Reads up to `length` bytes at the position and moves past them. Fewer
  // come back at the end of the file, at the end of the budget, or on a read
  // error; the flags below tell which.
  std::size_t read(void* buffer, std::size_t length);
  void seek(std::uint64_t position) { position_ = position; }
  std::uint64_t position() const { return position_; }

  std::size_t bytesRead() const { return bytesRead_; }
  // Some read asked for bytes past the end of the file.
  bool reachedEnd() const { return reachedEnd_; }
  bool exhaustedBudget() const { return exhaustedBudget_; }
  // The errno of the first failed read, 0 when none failed.
  int readError() const { return readError_; }

 private:
  int fd_ = -1;
  bool regular_ = false;
  std::uint64_t size_ = 0;
  std::uint64_t position_ = 0;
  std::size_t budget_;
  std::size_t bytesRead_ = 0;
  bool reachedEnd_ = false;
  bool exhaustedBudget_ = false;
  int readError_ = 0;
};

}  // namespace marl

#endif  // MARL_FILES_BOUNDED_FILE_H_
