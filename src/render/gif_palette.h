#ifndef MARL_RENDER_GIF_PALETTE_H_
#define MARL_RENDER_GIF_PALETTE_H_

#include <gif_lib.h>

#include <string>
#include <vector>

#include "render/picture_rows.h"

namespace marl {

// GIF stores sides in 16 bits and at most 256 colours a picture.
constexpr int GifMaxSide = 65535;
constexpr int GifMaxColours = 256;

// A picture as palette indices, row by row, with its colours.
struct IndexedPicture {
  std::vector<GifByteType> indices;
  std::vector<GifColorType> colours;
};

// Indexes the picture of `rows` (8-bit RGB) by its own colours, in order of
// first appearance; false when it has more than 256.
bool indexExactly(RowSource& rows, IndexedPicture& picture);

// Reduces the picture of `rows` (8-bit RGB) to 256 colours with giflib's
// median cut.
bool quantize(RowSource& rows, IndexedPicture& picture, std::string& error);

// A colour map of the picture's colours, padded with black to the power of
// two a GIF needs (at least 2 entries). Null when memory is short. The
// caller frees it with GifFreeMapObject.
ColorMapObject* makeColourMap(const IndexedPicture& picture);

// Writes the picture's rows as the image data after its descriptor.
bool putIndexedRows(GifFileType* gif, const IndexedPicture& picture,
                    int width, int height);

// A Comment Extension in sub-blocks of at most 255 bytes. giflib's
// EGifPutComment would stop at a NUL byte; this keeps every byte.
bool putComment(GifFileType* gif, const std::string& text);

}  // namespace marl

#endif  // MARL_RENDER_GIF_PALETTE_H_
