#ifndef MARL_FILES_NAME_CLAIM_H_
#define MARL_FILES_NAME_CLAIM_H_

#include <string>

namespace marl {

// A claim of this process on a final name while it makes the file, so that
// a twin (another process given the same frames) waits for it instead of
// making the same file again. The claim is an abstract Unix socket named
// after the folder (device and inode) and the name: it leaves nothing in
// any file system and the kernel releases it when its owner ends, SIGKILL
// included. It covers the processes of one machine; twins on machines
// sharing a folder both make the file, and the second copy is dropped when
// it finds the first (DurableFile's twin rule).
class NameClaim {
 public:
  NameClaim() = default;
  NameClaim(const NameClaim&) = delete;
  NameClaim& operator=(const NameClaim&) = delete;
  ~NameClaim();

  // False while another live process holds the name; true once claimed
  // (or when claims cannot be made here, which leaves the work to the twin
  // rule).
  bool tryClaim(const std::string& fileName);
  void release();

 private:
  int fd_ = -1;
};

}  // namespace marl

#endif  // MARL_FILES_NAME_CLAIM_H_
