#include <gif_lib.h>

#include <new>

#include "base/c_handle.h"
#include "render/gif_palette.h"
#include "render/image_encoders.h"

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

// Closes without looking at the outcome: for a file given up on.
void closeGif(GifFileType* gif) { EGifCloseFile(gif, nullptr); }

bool writeGif(const PictureShape& shape, const IndexedPicture& picture,
              const std::string& text, ByteSink& out, std::string& error) {
  const CHandle<ColorMapObject, GifFreeMapObject> map(makeColourMap(picture));
  if (!map) {
    error = OutOfMemoryWhileEncoding;
    return false;
  }
  int status = E_GIF_SUCCEEDED;
  GifOutput output{&out, false};
  CHandle<GifFileType, closeGif> handle(
      EGifOpen(&output, appendBytes, &status));
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
  ok = ok && putIndexedRows(gif, picture, width, height);
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
  IndexedPicture picture;
  if (!indexExactly(rows, picture)) {
    picture = IndexedPicture();
    if (!quantize(rows, picture, error)) return false;
  }
  return writeGif(shape, picture, options.text, out, error);
}

}  // namespace marl
