#include <gif_lib.h>

#include <vector>

#include "base/c_handle.h"
#include "readers/embedded_text_readers.h"

namespace marl {

namespace {

int boundedRead(GifFileType* gif, GifByteType* buffer, int length) {
  if (length <= 0) return 0;
  return static_cast<int>(static_cast<BoundedFile*>(gif->UserData)
                              ->read(buffer, static_cast<std::size_t>(length)));
}

void closeGif(GifFileType* gif) { DGifCloseFile(gif, nullptr); }

const char* reasonOf(int error) {
  const char* text = GifErrorString(error);
  return text ? text : "unknown giflib error";
}

// The Comment Extensions met before the first image, one text each; other
// extensions are passed over. False on a read or format error.
bool readComments(GifFileType* gif, std::vector<std::string>& texts) {
  for (;;) {
    GifRecordType type;
    if (DGifGetRecordType(gif, &type) != GIF_OK) return false;
    if (type == IMAGE_DESC_RECORD_TYPE || type == TERMINATE_RECORD_TYPE)
      return true;
    if (type != EXTENSION_RECORD_TYPE) return false;
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) != GIF_OK) return false;
    if (code == COMMENT_EXT_FUNC_CODE) {
      texts.emplace_back();
      // Past the most a marl picture holds, the count alone decides.
      if (texts.size() > std::size_t(MaxTextPieces)) return true;
    }
    while (block != nullptr) {
      if (code == COMMENT_EXT_FUNC_CODE)
        texts.back().append(reinterpret_cast<const char*>(block + 1),
                            block[0]);
      if (DGifGetExtensionNext(gif, &block) != GIF_OK) return false;
    }
  }
}

}  // namespace

void readGifText(BoundedFile& file, EmbeddedTextResult& result) {
  int status = D_GIF_SUCCEEDED;
  const CHandle<GifFileType, closeGif> handle(
      DGifOpen(&file, boundedRead, &status));
  GifFileType* const gif = handle.get();
  if (!gif) {
    failReading(file, file.reachedEnd(), reasonOf(status), result);
    return;
  }
  if (!plausibleSides(gif->SWidth, gif->SHeight, result)) return;
  std::vector<std::string> texts;
  if (!readComments(gif, texts))
    failReading(file, file.reachedEnd(), reasonOf(gif->Error), result);
  else if (fewPieces(texts.size(), "comment extensions", result))
    foundTexts(std::move(texts), result);
}

}  // namespace marl
