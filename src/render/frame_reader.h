#ifndef MARL_RENDER_FRAME_READER_H_
#define MARL_RENDER_FRAME_READER_H_

#include <string>

#include "render/bitmap.h"

namespace marl {

// Reads a PNG frame written earlier back into `frame`, whose size it must
// have, as the frame's writer painted it: 8-bit samples (a 16-bit frame's
// high bytes) with alpha premultiplied. Only PNG frames are read back.
// False with a reason that can follow "cannot read 'NAME': " otherwise.
bool readPngFrame(const std::string& path, Bitmap& frame, std::string& error);

}  // namespace marl

#endif  // MARL_RENDER_FRAME_READER_H_
