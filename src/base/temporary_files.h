#ifndef MARL_BASE_TEMPORARY_FILES_H_
#define MARL_BASE_TEMPORARY_FILES_H_

namespace marl {

// The process-wide list of temporary files that must not outlive the
// process: a signal handler removes them all before the process dies. The
// list has fixed storage, so neither adding nor removing ever allocates,
// and it may be used from several threads at once.

// Most temporary files alive at once, and the longest name kept.
constexpr int MaxTemporaryFiles = 64;
constexpr int MaxTemporaryName = 4096;

// Adds `path` (relative to the working folder, which this program never
// changes) before the file is created. Returns the entry's number, or -1
// when the list is full, the name too long, or the process is being ended
// by a signal; the caller may then go on without the safety net.
int registerTemporaryFile(const char* path);

// Drops entry `entry` (a result of registerTemporaryFile; -1 is ignored)
// once the file has been renamed or removed.
void forgetTemporaryFile(int entry);

// Unlinks every listed file and closes the list to new entries. Only
// async-signal-safe calls: meant for signal handlers.
void removeTemporaryFiles();

}  // namespace marl

#endif  // MARL_BASE_TEMPORARY_FILES_H_
