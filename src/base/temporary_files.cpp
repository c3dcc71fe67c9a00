#include "base/temporary_files.h"

#include <unistd.h>

#include <atomic>
#include <cstring>

namespace marl {

namespace {

// An entry is Free, being Filled by its owner, Listed, or Closed for good by
// removeTemporaryFiles. Only the owner moves Filled to Listed, and the name
// is read only in the Listed state, so a reader never sees half a name.
enum State : int { Free, Filled, Listed, Closed };

struct Entry {
  std::atomic<int> state{Free};
  char path[MaxTemporaryName];
};

static_assert(std::atomic<int>::is_always_lock_free,
              "the signal handler needs lock-free atomics");

Entry entries[MaxTemporaryFiles];

}  // namespace

int registerTemporaryFile(const char* path) {
  const std::size_t length = std::strlen(path);
  if (length >= MaxTemporaryName) return -1;
  for (int i = 0; i < MaxTemporaryFiles; ++i) {
    int expected = Free;
    if (!entries[i].state.compare_exchange_strong(expected, Filled)) continue;
    std::memcpy(entries[i].path, path, length + 1);
    entries[i].state.store(Listed);
    return i;
  }
  return -1;
}

void forgetTemporaryFile(int entry) {
  if (entry < 0 || entry >= MaxTemporaryFiles) return;
  // Fails only when the handler has closed the entry: it stays closed.
  int expected = Listed;
  entries[entry].state.compare_exchange_strong(expected, Free);
}

void removeTemporaryFiles() {
  for (Entry& entry : entries) {
    int state = entry.state.load();
    // An entry being filled names no file yet (the file is created after
    // its name is listed); it is left to its owner.
    while ((state == Free || state == Listed) &&
           !entry.state.compare_exchange_weak(state, Closed)) {
    }
    if (state == Listed) unlink(entry.path);
  }
}

}  // namespace marl
