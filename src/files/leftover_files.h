#ifndef MARL_FILES_LEFTOVER_FILES_H_
#define MARL_FILES_LEFTOVER_FILES_H_

#include <string>

namespace marl {

// Named temporary files carry their owner in their name, after the final
// name: NAME.tmp-BOOT-PID-XXXXXX, BOOT the first 8 hex digits of the
// kernel's boot id, PID the owner's process id, XXXXXX random; the owner
// holds an flock on the file while it lives. A file of that form whose lock
// is free, and whose owner is gone (this machine's boot and no such process,
// or another boot and untouched for a minute), is a dead owner's leftover:
// SIGKILL, the OOM killer or a power cut ended the run that wrote it.

// ".tmp-BOOT-PID-" for this process, to be followed by 6 random letters.
std::string temporaryNameMark();

// Whether `entry` (a name in a folder) has the form above; its owner's
// boot and pid go to `boot` and `pid`.
bool isTemporaryName(const std::string& entry, std::string& boot, long& pid);

// Removes the dead owners' leftovers in `folder` ("" for the working
// folder), once a process for each folder: a later run cleans up after a
// killed one as it writes beside it. Whatever cannot be removed is left.
void removeDeadLeftovers(const std::string& folder);

}  // namespace marl

#endif  // MARL_FILES_LEFTOVER_FILES_H_
