#ifndef MARL_RENDER_IMAGE_FILE_H_
#define MARL_RENDER_IMAGE_FILE_H_

#include <ostream>
#include <string>

#include "render/bitmap.h"
#include "render/image_format.h"

namespace marl {

// Writes `bitmap` under `fileName` in `format`. The picture goes to a
// temporary file in the same folder first and is renamed into place, so no truncated file is ever left under the final name.
// `embeddedText`, when not empty, is stored in the file where the format has
// a place for text (JPEG, TIFF, GIF; BMP has none and drops it).
// On failure prints "marl: error: cannot write 'NAME': REASON" on `err` and
// returns false.
bool writeImageFile(const Bitmap& bitmap, const ImageFormat& format,
                    const std::string& fileName, std::ostream& err,
                    const std::string& embeddedText = std::string());

}  // namespace marl

#endif  // MARL_RENDER_IMAGE_FILE_H_
