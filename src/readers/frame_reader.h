#ifndef MARL_READERS_FRAME_READER_H_
#define MARL_READERS_FRAME_READER_H_

#include <memory>
#include <string>

#include "base/picture_rows.h"

namespace marl {

// Reads an 8-bit PNG frame written earlier, which must be width x height,
// back as the rows it was written from: 8-bit RGBA with unassociated alpha
// (opaque where the file has none), rereadable, for the videos. Only 8-bit
// PNG frames are read back: a 16-bit frame's video is made from its own
// 8-bit colouring, which the file does not hold. nullptr with a reason
// that can follow "cannot read 'NAME': " otherwise.
std::unique_ptr<RowSource> readPngFrame(const std::string& path, int width,
                                        int height, std::string& error);

}  // namespace marl

#endif  // MARL_READERS_FRAME_READER_H_
