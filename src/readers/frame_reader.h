#ifndef MARL_READERS_FRAME_READER_H_
#define MARL_READERS_FRAME_READER_H_

#include <string>

#include "image/bitmap.h"

namespace marl {

// Reads an 8-bit PNG frame written earlier back into `frame`, whose size it
// must have, as the frame's writer painted it, alpha premultiplied. Only
// 8-bit PNG frames are read back: a 16-bit frame's video is made from its
// own 8-bit colouring, which the file does not hold.
// False with a reason that can follow "cannot read 'NAME': " otherwise.
bool readPngFrame(const std::string& path, Bitmap& frame, std::string& error);

}  // namespace marl

#endif  // MARL_READERS_FRAME_READER_H_
