#ifndef MARL_READERS_WHOLE_PICTURE_H_
#define MARL_READERS_WHOLE_PICTURE_H_

#include <string>

namespace marl {

// Whether the picture at `path` decodes to its end: a PNG's every chunk
// through IEND with its CRC and the whole inflated image data; a JPEG's,
// TIFF's, GIF's or WebP's every pixel, with no warning of data cut short.
// The format is told from the first bytes. False with a reason that can
// follow the file's name otherwise; a format not listed (BMP, a video) is
// never found whole, as nothing here can tell.
bool decodesWhole(const std::string& path, std::string& reason);

}  // namespace marl

#endif  // MARL_READERS_WHOLE_PICTURE_H_
