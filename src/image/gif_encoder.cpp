#include <gif_lib.h>

#include <functional>
#include <new>
#include <vector>

#include "image/gif_palette.h"
#include "image/image_encoders.h"

namespace marl {

namespace {

// Where giflib's writes go.
struct GifOutput {
  ByteSink* sink;
  bool outOfMemory;  // a write found no memory: giflib saw it fail
};

int appendBytes(GifFileType* gif, const GifByteType* data, int length) {
  auto* out = static_cast<GifOutput*>(gif->UserData);
  // No exception may pass through giflib, which would free nothing.
  try {
    return out->sink->append(data, std::size_t(length)) ? length : 0;
  } catch (const std::bad_alloc&) {
    out->outOfMemory = true;
    return 0;
  }
}

// Writes the file of a picture of `colours`, whose rows `putRows` puts
// after the image descriptor.
bool writeGif(const PictureShape& shape,
              const std::vector<GifColorType>& colours,
              const std::string& text,
              const std::function<bool(GifFileType* gif)>& putRows,
              ByteSink& out, std::string& error) {
  const GifColourMap map = makeColourMap(colours);
  if (!map) {
    error = OutOfMemoryWhileEncoding;
    return false;
  }
  int status = E_GIF_SUCCEEDED;
  GifOutput output{&out, false};
  GifWriter handle(EGifOpen(&output, appendBytes, &status));
  GifFileType* const gif = handle.get();
  if (!gif) {
    error = GifErrorString(status);
    return false;
  }
  // Extensions came with GIF89a; a picture without text stays GIF87a.
  if (!text.empty()) EGifSetGifVersion(gif, true);
  const int width = shape.width, height = shape.height;
  // The comment goes before the image, so that a reader finds it without
  // going through the picture data. The screen descriptor keeps its own
  // copy of the map.
  bool ok =
      EGifPutScreenDesc(gif, width, height, map->BitsPerPixel, 0,
                        map.get()) == GIF_OK &&
      (text.empty() || putComment(gif, text)) &&
      EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) == GIF_OK;
  ok = ok && putRows(gif);
  if (!ok) status = gif->Error;
  int closeStatus = E_GIF_SUCCEEDED;
  // Closing writes the trailer and frees the file whatever it returns.
  if (EGifCloseFile(handle.release(), &closeStatus) != GIF_OK && ok) {
    ok = false;
    status = closeStatus;
  }
  if (output.outOfMemory)
    error = OutOfMemoryWhileEncoding;
  else if (!ok)
    error = GifErrorString(status);
  return ok && !output.outOfMemory;
}

}  // namespace

bool encodeGif(RowSource& rows, const EncodeOptions& options, ByteSink& out,
               std::string& error) {
  const PictureShape& shape = rows.shape();
  if (!acceptShape(shape, 8, false, "GIF", error)) return false;
  if (shape.width > GifMaxSide || shape.height > GifMaxSide) {
    error = "picture too large for GIF (65535 pixels a side at most)";
    return false;
  }
  // Finding the colours, then writing them, reads the rows twice.
  if (!rows.rereadable()) {
    HeldRows held(rows);
    return encodeGif(held, options, out, error);
  }
  ColourSlots slots;
  if (findColours(rows, slots)) {
    // Every colour has its slot: the second pass indexes a row at a time.
    std::vector<GifPixelType> line(std::size_t(shape.width));
    const auto putRows = [&](GifFileType* gif) {
      return forEachBand(rows, [&](const unsigned char* band, int, int count) {
        const unsigned char* p = band;
        for (int y = 0; y < count; ++y) {
          for (GifPixelType& index : line) {
            index = GifPixelType(slots.slotOf(p));
            p += 3;
          }
          if (EGifPutLine(gif, line.data(), shape.width) != GIF_OK)
            return false;
        }
        return true;
      });
    };
    return writeGif(shape, slots.colours(), options.text, putRows, out, error);
  }
  // giflib's median cut takes the picture whole.
  IndexedPicture picture;
  if (!quantize(rows, picture, error)) return false;
  return writeGif(
      shape, picture.colours, options.text,
      [&](GifFileType* gif) {
        return putIndexedRows(gif, picture, shape.width, shape.height);
      },
      out, error);
}

}  // namespace marl
