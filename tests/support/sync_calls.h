#ifndef MARL_TESTS_SUPPORT_SYNC_CALLS_H_
#define MARL_TESTS_SUPPORT_SYNC_CALLS_H_

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

// The durability calls the writing makes, seen through wrappers of the C
// library's fsync, renameat2 and linkat in the test program: while
// `recording`, each is noted as "fsync file PATH" (an unnamed file's PATH is
// "FOLDER/#INODE (deleted)"), "fsync folder PATH", "rename FROM TO" or
// "link FROM TO", and the one whose note starts with `failing` fails with
// EIO instead.
namespace sync_calls {
extern std::atomic<bool> recording;
extern std::mutex mutex;
extern std::vector<std::string> calls;
extern std::string failing;
}  // namespace sync_calls

#endif  // MARL_TESTS_SUPPORT_SYNC_CALLS_H_
