#ifndef MARL_FILES_TEMPORARY_FILE_H_
#define MARL_FILES_TEMPORARY_FILE_H_

#include <cstddef>
#include <cstdint>
#include <string>

namespace marl {

// A new file in the folder of a final name, where a picture is written
// before it is moved into place. Where the file system allows it the file
// has no name at all (O_TMPFILE) until it is linked to its final one, so
// that not even SIGKILL can leave it behind. Elsewhere it is named
// NAME.tmp-BOOT-PID-XXXXXX (see leftover_files.h), listed for removal when
// a termination signal arrives, and locked while its owner lives, so that a
// later run can tell a dead owner's leftover and remove it. Either way it
// goes when the object goes unless it has been moved. Failing calls return
// false and leave the reason in errno.
class TemporaryFile {
 public:
  TemporaryFile() = default;
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile();

  // Creates the file in the folder of `finalName` (so that it can be linked
  // or renamed there), with the mode a new file would get (0666 less the
  // umask): unnamed where the file system can, named otherwise. A dead
  // owner's leftovers in that folder are removed first, once a process.
  bool create(const std::string& finalName);
  // The same, always named: what a file system without O_TMPFILE gets.
  bool createNamed(const std::string& finalName);
  // Writes at `offset`, past the end or over bytes written before.
  bool writeAt(std::uint64_t offset, const unsigned char* bytes,
               std::size_t size);
  // Waits until the bytes written are on the storage device, so that a
  // power cut after the rename cannot leave the name on an empty or cut
  // file.
  bool sync();
  // Closing can report a write the kernel could not complete. An unnamed
  // file stays open until it has its name, as closing it would drop it.
  bool close();
  // Gives the file `name` unless a file or folder of that name exists (errno
  // EEXIST then). The file system decides at the link or rename itself, so
  // two writers can never both take one name, and nothing is ever replaced.
  bool moveToNewName(const std::string& name);
  // Gives the file `name` in one step, replacing the file there: only for a
  // file found broken, which this one is to mend.
  bool replace(const std::string& name);
  // Waits until the folder's entries, the new name among them, are on the
  // storage device. File systems that cannot sync a folder count as done.
  bool syncFolder();

  // The path by which the file can be opened again (an unnamed one's is
  // under /proc/self/fd).
  const std::string& name() const { return name_; }
  bool unnamed() const { return unnamed_; }

 private:
  bool createUnnamed(const std::string& folder);
  // A named one's file, or an unnamed one's link: NAME.tmp-BOOT-PID-XXXXXX
  // beside `finalName`, listed for the signal handlers in `entry`.
  bool makeNamed(const std::string& finalName, std::string& name, int& entry);
  bool closeNow();

  int fd_ = -1;
  int entry_ = -1;
  bool moved_ = false;
  bool unnamed_ = false;
  std::string name_;
  std::string folder_;  // of the name it was moved to
};

}  // namespace marl

#endif  // MARL_FILES_TEMPORARY_FILE_H_
