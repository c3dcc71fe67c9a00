#include <gif_lib.h>

#include <memory>

#include "render/embedded_text_readers.h"

namespace marl {

namespace {

int boundedRead(GifFileType* gif, GifByteType* buffer, int length) {
  if (length <= 0) return 0;
  return static_cast<int>(static_cast<BoundedFile*>(gif->UserData)
                              ->read(buffer, static_cast<std::size_t>(length)));
}

const char* reasonOf(int error) {
  const char* text = GifErrorString(error);
  return text ? text : "unknown giflib error";
}

// Joins the Comment Extensions met before the first image; other
// extensions are passed over. False on a read or format error.
bool readComments(GifFileType* gif, std::string& text, int& comments) {
  for (;;) {
    GifRecordType type;
    if (DGifGetRecordType(gif, &type) != GIF_OK) return false;
    if (type == IMAGE_DESC_RECORD_TYPE || type == TERMINATE_RECORD_TYPE)
      return true;
    if (type != EXTENSION_RECORD_TYPE) return false;
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) != GIF_OK) return false;
    if (code == COMMENT_EXT_FUNC_CODE && ++comments > MaxTextPieces)
      return true;
    while (block != nullptr) {
      if (code == COMMENT_EXT_FUNC_CODE)
        text.append(reinterpret_cast<const char*>(block + 1), block[0]);
      if (DGifGetExtensionNext(gif, &block) != GIF_OK) return false;
    }
  }
}

struct GifCloser {
  void operator()(GifFileType* gif) const {
    int status = D_GIF_SUCCEEDED;
    DGifCloseFile(gif, &status);
  }
};

}  // namespace

void readGifText(BoundedFile& file, EmbeddedTextResult& result) {
  int status = D_GIF_SUCCEEDED;
  const std::unique_ptr<GifFileType, GifCloser> gif(
      DGifOpen(&file, boundedRead, &status));
  if (!gif) {
    failReading(file, file.reachedEnd(), reasonOf(status), result);
    return;
  }
  if (!plausibleSides(gif->SWidth, gif->SHeight, result)) return;
  std::string text;
  int comments = 0;
  if (!readComments(gif.get(), text, comments))
    failReading(file, file.reachedEnd(), reasonOf(gif->Error), result);
  else if (fewPieces(comments, "comment extensions", result))
    foundText(text, result);
}

}  // namespace marl
