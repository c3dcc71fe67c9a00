#ifndef MARL_READERS_EMBEDDED_TEXT_H_
#define MARL_READERS_EMBEDDED_TEXT_H_

#include <cstddef>
#include <string>
#include <vector>

namespace marl {

// Reading a picture's text reads no more than this of any file, wherever in
// the file the text lies.
constexpr std::size_t MaxEmbeddedTextRead = std::size_t(1) << 20;

// No picture marl writes is wider or taller than this: a header that claims
// more is not one of its pictures, and is refused before anything else.
constexpr unsigned long MaxPictureSide = 65535;

// A marl picture holds its text in a few pieces (a JPEG splits a long text
// into segments of 64 KiB); more than this many is refused.
constexpr int MaxTextPieces = 64;

// What readEmbeddedText found.
struct EmbeddedTextResult {
  enum Status {
    Found,        // `texts` holds the texts embedded in the picture
    NotAPicture,  // no picture format known here: read it as a text file
    NoText,       // a picture or video holding no text
    Damaged,      // a picture truncated or malformed before its text ends
    TooLong,      // the text does not end within MaxEmbeddedTextRead bytes
    Unreadable,   // the file cannot be opened or read
    Unsupported,  // this installation cannot read it (no video module)
  };
  Status status = NotAPicture;
  // Each text as the format keeps it apart, in file order, empty ones left
  // out: a JPEG COM segment, a GIF Comment Extension, a TIFF
  // ImageDescription, a PNG text chunk, the description of a WebP XMP
  // packet, a video's comment tag. A text too long for one segment lies in
  // consecutive ones, to be joined by whoever looks for it.
  std::vector<std::string> texts;
  // Unless Found or NotAPicture: why, as words to follow the file's name,
  // for example "this JPEG picture holds no embedded text".
  std::string reason;
  // "JPEG", "TIFF", "GIF", "BMP", "PNG", "WebP", "MP4" or "WebM"; empty
  // when not a picture.
  std::string format;
  // Bytes read from the file in all; never above MaxEmbeddedTextRead.
  std::size_t bytesRead = 0;
};

// Reads the texts stored in the picture at `path`: a JPEG's COM segments, a
// TIFF's ImageDescription (first image), a GIF's Comment Extensions before
// its first image (the blocks of one extension joined), a PNG's text chunks
// (tEXt, zTXt, iTXt) before its image data, the description in each of a
// WebP's XMP chunks (still or animated), or the comment tag of an MP4 or
// WebM video. No pixel is decoded, and a header that claims sides above
// MaxPictureSide, or more than MaxTextPieces pieces of text, is Damaged.
// The format is told from the first bytes, never from the name. A BMP holds
// no text (NoText). Files that are not regular files (pipes, devices) are
// NotAPicture without a byte read, so that they can still be read as text.
// The codec libraries print nothing: every failure is a status and reason.
EmbeddedTextResult readEmbeddedText(const std::string& path);

}  // namespace marl

#endif  // MARL_READERS_EMBEDDED_TEXT_H_
