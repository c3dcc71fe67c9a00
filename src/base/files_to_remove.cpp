#include "base/files_to_remove.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace marl {

namespace {

// An entry is Free, being Filled by its owner, Listed, or Closed for good by
// removeTemporaryFiles. Only the owner moves Filled to Listed, and the name
// is read only in the Listed state, so a reader never sees half a name.
enum State : int { Free, Filled, Listed, Closed };

static_assert(std::atomic<int>::is_always_lock_free,
              "the signal handler needs lock-free atomics");

// The states lie apart from the names, so that a scan reads only them and
// the names' pages stay untouched (and unallocated) until used.
std::atomic<int> states[MaxTemporaryFiles];
char paths[MaxTemporaryFiles][MaxTemporaryName];

}  // namespace

int registerTemporaryFile(const char* path) {
  const std::size_t length = std::strlen(path);
  if (length >= MaxTemporaryName) {
    errno = ENAMETOOLONG;
    return -1;
  }
  for (int i = 0; i < MaxTemporaryFiles; ++i) {
    int expected = Free;
    if (states[i].compare_exchange_strong(expected, Filled)) {
      std::memcpy(paths[i], path, length + 1);
      states[i].store(Listed);
      return i;
    }
    if (expected == Closed) {
      errno = EINTR;  // the handler has closed the list
      return -1;
    }
  }
  errno = EMFILE;
  return -1;
}

void forgetTemporaryFile(int entry) {
  if (entry < 0 || entry >= MaxTemporaryFiles) return;
  // Fails only when the handler has closed the entry: it stays closed.
  int expected = Listed;
  states[entry].compare_exchange_strong(expected, Free);
}

void removeTemporaryFiles() {
  for (int i = 0; i < MaxTemporaryFiles; ++i) {
    int state = states[i].load();
    // An entry being filled names no file yet (the file is created after
    // its name is listed); it is left to its owner.
    while ((state == Free || state == Listed) &&
           !states[i].compare_exchange_weak(state, Closed)) {
    }
    if (state == Listed) unlink(paths[i]);
  }
}

}  // namespace marl
