#include <gif_lib.h>

#include "render/gif_palette.h"
#include "render/image_encoders.h"

namespace marl {

namespace {

int appendBytes(GifFileType* gif, const GifByteType* data, int length) {
  auto* out = static_cast<std::vector<unsigned char>*>(gif->UserData);
  out->insert(out->end(), data, data + length);
  return length;
}

bool writeGif(const Bitmap& bitmap, const IndexedPicture& picture,
              const std::string& text, std::vector<unsigned char>& out,
              std::string& error) {
  ColorMapObject* map = makeColourMap(picture);
  if (!map) {
    error = GifErrorString(E_GIF_ERR_NOT_ENOUGH_MEM);
    return false;
  }
  int status = E_GIF_SUCCEEDED;
  GifFileType* gif = EGifOpen(&out, appendBytes, &status);
  if (!gif) {
    GifFreeMapObject(map);
    error = GifErrorString(status);
    return false;
  }
  // Extensions came with GIF89a; a picture without text stays GIF87a.
  if (!text.empty()) EGifSetGifVersion(gif, true);
  const int width = bitmap.width(), height = bitmap.height();
  // The comment goes before the image, so that a reader finds it without
  // going through the picture data.
  bool ok =
      EGifPutScreenDesc(gif, width, height, map->BitsPerPixel, 0, map) ==
          GIF_OK &&
      (text.empty() || putComment(gif, text)) &&
      EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) == GIF_OK;
  GifFreeMapObject(map);  // the screen descriptor keeps its own copy
  ok = ok && putIndexedRows(gif, picture, width, height);
  if (!ok) status = gif->Error;
  int closeStatus = E_GIF_SUCCEEDED;
  if (EGifCloseFile(gif, &closeStatus) != GIF_OK && ok) {
    ok = false;
    status = closeStatus;
  }
  if (!ok) error = GifErrorString(status);
  return ok;
}

}  // namespace

bool encodeGif(const Bitmap& bitmap, const std::string& embeddedText,
               std::vector<unsigned char>& out, std::string& error) {
  if (bitmap.width() > GifMaxSide || bitmap.height() > GifMaxSide) {
    error = "picture too large for GIF (65535 pixels a side at most)";
    return false;
  }
  cairo_surface_flush(bitmap.surface());
  out.clear();
  IndexedPicture picture;
  if (!indexExactly(bitmap, picture)) {
    picture = IndexedPicture();
    if (!quantize(bitmap, picture, error)) return false;
  }
  return writeGif(bitmap, picture, embeddedText, out, error);
}

}  // namespace marl
