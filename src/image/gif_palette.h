#ifndef MARL_IMAGE_GIF_PALETTE_H_
#define MARL_IMAGE_GIF_PALETTE_H_

#include <gif_lib.h>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/c_handle.h"
#include "base/picture_rows.h"

namespace marl {

// GIF stores sides in 16 bits and at most 256 colours a picture.
constexpr int GifMaxSide = 65535;
constexpr int GifMaxColours = 256;

// A picture as palette indices, row by row, with its colours.
struct IndexedPicture {
  std::vector<GifByteType> indices;
  std::vector<GifColorType> colours;
};

// Up to 256 colours, each given the next slot when first seen.
class ColourSlots {
 public:
  // The slot of the 8-bit RGB pixel at `rgb`; -1 when its colour is new and
  // every slot is taken.
  int slotOf(const unsigned char* rgb) {
    const uint32_t colour =
        uint32_t(rgb[0]) << 16 | uint32_t(rgb[1]) << 8 | rgb[2];
    // Pictures come in runs of one colour; the last one saves most
    // look-ups.
    if (colour == last_ && lastSlot_ >= 0) return lastSlot_;
    auto found = slots_.find(colour);
    if (found == slots_.end()) {
      if (colours_.size() == GifMaxColours) return -1;
      found = slots_.emplace(colour, int(colours_.size())).first;
      colours_.push_back(GifColorType{rgb[0], rgb[1], rgb[2]});
    }
    last_ = colour;
    lastSlot_ = found->second;
    return lastSlot_;
  }
  const std::vector<GifColorType>& colours() const { return colours_; }

 private:
  std::unordered_map<uint32_t, int> slots_;
  std::vector<GifColorType> colours_;
  uint32_t last_ = 0;
  int lastSlot_ = -1;
};

// Gives every colour of the picture of `rows` (8-bit RGB) its slot, in one
// pass over the bands that keeps no pixel; false, as soon as it is seen,
// when there are more than 256.
bool findColours(RowSource& rows, ColourSlots& slots);

// Indexes the picture of `rows` (8-bit RGB) by its own colours, in order of
// first appearance; false when it has more than 256.
bool indexExactly(RowSource& rows, IndexedPicture& picture);

// Reduces the picture of `rows` (8-bit RGB) to 256 colours with giflib's
// median cut.
bool quantize(RowSource& rows, IndexedPicture& picture, std::string& error);

using GifColourMap = CHandle<ColorMapObject, GifFreeMapObject>;

// Closes a GIF being written without looking at the outcome: for a file
// given up on. A finished file is closed with EGifCloseFile, checked.
void abandonGif(GifFileType* gif);
using GifWriter = CHandle<GifFileType, abandonGif>;

// A colour map of `colours`, padded with black to the power of two a GIF
// needs (at least 2 entries). Null when memory is short.
GifColourMap makeColourMap(const std::vector<GifColorType>& colours);

// Writes the picture's rows as the image data after its descriptor.
bool putIndexedRows(GifFileType* gif, const IndexedPicture& picture,
                    int width, int height);

// A Comment Extension in sub-blocks of at most 255 bytes. giflib's
// EGifPutComment would stop at a NUL byte; this keeps every byte.
bool putComment(GifFileType* gif, const std::string& text);

}  // namespace marl

#endif  // MARL_IMAGE_GIF_PALETTE_H_
