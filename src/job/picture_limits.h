#ifndef MARL_JOB_PICTURE_LIMITS_H_
#define MARL_JOB_PICTURE_LIMITS_H_

#include <cstdint>
#include <string>

#include "base/usable_memory.h"
#include "job/job_settings.h"

namespace marl {

// Largest side of a Cairo image surface. The tiling warps the attractor
// picture from one and paints into one; other pictures need none.
constexpr uint32_t MaxSurfaceSide = 32767;

// The most hits a pixel of its grid that a recipe's own `it` may ask for:
// far more than any run writes unless someone asked for it (the default at
// the smallest size gives 125000), so that a stranger's recipe cannot hold
// the processor for centuries. The command line's `it` is never bounded.
constexpr int64_t MaxRecipeHitsPerPixel = 1000000;

constexpr int64_t recipeStepsBound(uint32_t side) {
  return MaxRecipeHitsPerPixel * int64_t(side) * int64_t(side);
}

// The first limit on picture sides that the settings break (the file
// format's, Cairo's, or the file size a format's header can record), as an
// error text naming the option, the limit and what to give instead; empty
// when none is broken.
std::string pictureSideProblem(const JobSettings& settings);

// About the most memory one job of these settings holds at once: the hit
// grid, a band of the picture on its way to the file (the whole picture for
// an encoder that takes it whole), with the tiling the square picture it
// warps and the tiling picture, in fast mode the counting buffers.
uint64_t bytesNeeded(const JobSettings& settings);

// An error text when `jobsAtOnce` jobs need more than `usable`, naming both
// figures; empty when they fit.
std::string memoryProblem(const JobSettings& settings, unsigned jobsAtOnce,
                          const UsableMemory& usable);

// Whether `jobsAtOnce` jobs still fit in `usable` with a second grid each,
// the copy that lets checkpoints be written beside the orbit (true without
// checkpoints).
bool checkpointCopyFits(const JobSettings& settings, unsigned jobsAtOnce,
                        const UsableMemory& usable);

}  // namespace marl

#endif  // MARL_JOB_PICTURE_LIMITS_H_
