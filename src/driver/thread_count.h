#ifndef MARL_DRIVER_THREAD_COUNT_H_
#define MARL_DRIVER_THREAD_COUNT_H_

#include <cstdint>

#include "base/files_to_remove.h"
#include "driver/option_reader.h"

namespace marl {

// Most threads a run uses: as many CPUs as the kernel's affinity mask holds.
constexpr int32_t MaxThreads = 1024;
// Each thread may have a picture and its tiling picture being written.
static_assert(MaxTemporaryFiles >= 2 * MaxThreads,
              "every file being written must be removable after a signal");

// The CPUs this process may run on (its affinity mask), at least 1.
int32_t availableCpus();

// threads=N: how many pictures are finished at once, 1 to MaxThreads.
// Absent, every CPU the process may use. A value below 1 (or not a number)
// is reported through `read` and gives that default; one above the most is
// reported and lowered to it.
int32_t readThreadCount(OptionReader& read);

}  // namespace marl

#endif  // MARL_DRIVER_THREAD_COUNT_H_
