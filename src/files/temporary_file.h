#ifndef MARL_FILES_TEMPORARY_FILE_H_
#define MARL_FILES_TEMPORARY_FILE_H_

#include <cstddef>
#include <cstdint>
#include <string>

namespace marl {

// A new file with a random name beside a final name, where a picture is
// written before it is moved into place. It is listed for removal when a
// termination signal arrives and removed when the object goes unless it has
// been moved. Failing calls return false and leave the reason in errno.
class TemporaryFile {
 public:
  TemporaryFile() = default;
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile();

  // Creates the file in the folder of `finalName` (so that it can be renamed
  // there), with the mode a new file would get (0666 less the umask).
  bool create(const std::string& finalName);
  // Writes at `offset`, past the end or over bytes written before.
  bool writeAt(std::uint64_t offset, const unsigned char* bytes,
               std::size_t size);
  // Waits until the bytes written are on the storage device, so that a
  // power cut after the rename cannot leave the name on an empty or cut
  // file.
  bool sync();
  // Closing can report a write the kernel could not complete.
  bool close();
  // Gives the file `name` unless a file or folder of that name exists (errno
  // EEXIST then). The file system decides at the rename itself, so two
  // writers can never both take one name, and nothing is ever replaced.
  bool moveToNewName(const std::string& name);
  // Gives the file `name`, replacing the file there in one step: only for
  // a file this program keeps rewriting (a checkpoint), never a picture.
  bool replace(const std::string& name);
  // Waits until the folder's entries, the new name among them, are on the
  // storage device. File systems that cannot sync a folder count as done.
  bool syncFolder();

  const std::string& name() const { return name_; }

 private:
  int fd_ = -1;
  int entry_ = -1;
  bool moved_ = false;
  std::string name_;
  std::string folder_;  // of the name it was moved to
};

}  // namespace marl

#endif  // MARL_FILES_TEMPORARY_FILE_H_
