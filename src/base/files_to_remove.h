#ifndef MARL_BASE_FILES_TO_REMOVE_H_
#define MARL_BASE_FILES_TO_REMOVE_H_

namespace marl {

// The process-wide list of temporary files that must not outlive the
// process: a signal handler removes them all before the process dies. The
// list has fixed storage, so neither adding nor removing ever allocates,
// and it may be used from several threads at once.

// Most temporary files alive at once: room for every thread of the largest
// run writing two files at once. Only the entries in use are ever touched,
// so the room costs no memory until it is used.
constexpr int MaxTemporaryFiles = 2048;
// The longest name kept, terminating NUL included.
constexpr int MaxTemporaryName = 4096;

// Adds `path` (relative to the working folder, which this program never
// changes) before the file is created. Returns the entry's number, or -1
// with errno set when the name is too long (ENAMETOOLONG), the list is full
// (EMFILE), or the process is being ended by a signal (EINTR); the file
// must then not be created, as nothing would remove it.
int registerTemporaryFile(const char* path);

// Drops entry `entry` (a result of registerTemporaryFile; -1 is ignored)
// once the file has been renamed or removed.
void forgetTemporaryFile(int entry);

// Unlinks every listed file and closes the list to new entries. Only
// async-signal-safe calls: meant for signal handlers.
void removeTemporaryFiles();

}  // namespace marl

#endif  // MARL_BASE_FILES_TO_REMOVE_H_
