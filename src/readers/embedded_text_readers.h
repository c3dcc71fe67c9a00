#ifndef MARL_READERS_EMBEDDED_TEXT_READERS_H_
#define MARL_READERS_EMBEDDED_TEXT_READERS_H_

#include <string>
#include <vector>

#include "files/bounded_file.h"
#include "readers/embedded_text.h"

namespace marl {

// Each reads the text of a picture of its format from `file`, at its start,
// with the format's own library, and fills `result` (format, status, text,
// reason) except for bytesRead.
void readJpegText(BoundedFile& file, EmbeddedTextResult& result);
void readTiffText(BoundedFile& file, EmbeddedTextResult& result);
void readGifText(BoundedFile& file, EmbeddedTextResult& result);
void readPngText(BoundedFile& file, EmbeddedTextResult& result);
// The XMP packets of a WebP file (a still or an animation).
void readWebpText(BoundedFile& file, EmbeddedTextResult& result);
// The comment tag of a file that FFmpeg's `demuxer` ("mov" for MP4,
// "matroska" for WebM) reads.
void readMediaText(BoundedFile& file, const char* demuxer,
                   EmbeddedTextResult& result);

// Sets `result` to Damaged when a header claims a side above MaxPictureSide
// (or of 0) and returns false; true when the sides are plausible.
bool plausibleSides(unsigned long width, unsigned long height,
                    EmbeddedTextResult& result);
// Sets `result` to Damaged when `pieces` passes MaxTextPieces and returns
// false; `piece` names one ("comment segments").
bool fewPieces(std::size_t pieces, const char* piece,
               EmbeddedTextResult& result);

// Sets `result` for a picture whose reading failed: the file's own state
// (budget spent, read error) says why first, then `ranOut` (the library
// wanted bytes past the end of the file), then the library's `message`.
void failReading(const BoundedFile& file, bool ranOut,
                 const std::string& message, EmbeddedTextResult& result);

// Sets `result` to Found with the texts that are not empty, or to NoText
// when there is none.
void foundTexts(std::vector<std::string> texts, EmbeddedTextResult& result);

}  // namespace marl

#endif  // MARL_READERS_EMBEDDED_TEXT_READERS_H_
