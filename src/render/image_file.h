#ifndef MARL_RENDER_IMAGE_FILE_H_
#define MARL_RENDER_IMAGE_FILE_H_

#include <ostream>
#include <string>
#include <vector>

#include "render/bitmap.h"
#include "render/image_encoders.h"

namespace marl {

// Image type codes of a job, with the extension each gives to file names.
enum ImageType { ImageBmp = 0, ImageJpeg = 1, ImageTiff = 2, ImageGif = 3 };

// "image/bmp", "image/jpeg", "image/tiff", and "image/gif" for any other code.
const char* mimeTypeFor(int imageType);

// Writes `bitmap` under `fileName` with the encoder for `imageType`'s MIME
// type. The picture goes to a temporary file in the same folder first and is
// renamed into place, so no truncated file is ever left under the final name.
// `embeddedText`, when not empty, is stored in the file where the format has
// a place for text (JPEG, TIFF, GIF; BMP has none and drops it).
// On failure prints "marl: error: cannot write 'NAME': REASON" on `err` and
// returns false.
bool writeImageFile(const Bitmap& bitmap, int imageType,
                    const std::string& fileName, std::ostream& err,
                    const std::string& embeddedText = std::string());

// The same with the MIME type and the encoder table given.
bool writeImageFile(const Bitmap& bitmap, const std::string& mimeType,
                    const std::vector<ImageEncoder>& encoders,
                    const std::string& fileName, std::ostream& err,
                    const std::string& embeddedText = std::string());

}  // namespace marl

#endif  // MARL_RENDER_IMAGE_FILE_H_
