#ifndef MARL_EXPLORE_PREVIEW_WEBP_H_
#define MARL_EXPLORE_PREVIEW_WEBP_H_

#include <vector>

#include "base/picture_rows.h"

namespace marl {

// The rows as a lossy WebP in memory, encoded for speed rather than size:
// a preview is looked at once and replaced within a second, so the file
// encoder's careful settings (sharp YUV, a slower method) cost more than
// they show. Empty when it cannot be encoded.
std::vector<unsigned char> previewWebp(RowSource& rows);

}  // namespace marl

#endif  // MARL_EXPLORE_PREVIEW_WEBP_H_
