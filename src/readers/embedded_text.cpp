#include "readers/embedded_text.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>

#include "files/bounded_file.h"
#include "readers/embedded_text_readers.h"

namespace marl {

namespace {

enum class Format { None, Jpeg, Tiff, Gif, Bmp, Png, WebP, Mp4, WebM };

uint32_t littleEndian32(const unsigned char* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
         uint32_t(p[3]) << 24;
}

bool startsWith(const unsigned char* head, std::size_t n, const char* magic,
                std::size_t length) {
  return n >= length && std::memcmp(head, magic, length) == 0;
}

// "BM" alone could begin a text file, so a BMP must also give the file's
// own size and a known info-header size.
bool isBmp(const unsigned char* head, std::size_t n, uint64_t fileSize) {
  if (n < 18 || !startsWith(head, n, "BM", 2)) return false;
  const uint32_t infoSize = littleEndian32(head + 14);
  return littleEndian32(head + 2) == fileSize &&
         (infoSize == 12 || infoSize == 40 || infoSize == 52 ||
          infoSize == 56 || infoSize == 108 || infoSize == 124);
}

Format formatOf(const unsigned char* head, std::size_t n, uint64_t fileSize) {
  if (startsWith(head, n, "\xFF\xD8\xFF", 3)) return Format::Jpeg;
  // Classic and big TIFF, in either byte order.
  if (startsWith(head, n, "II*\0", 4) || startsWith(head, n, "MM\0*", 4) ||
      startsWith(head, n, "II+\0", 4) || startsWith(head, n, "MM\0+", 4))
    return Format::Tiff;
  if (startsWith(head, n, "GIF87a", 6) || startsWith(head, n, "GIF89a", 6))
    return Format::Gif;
  if (isBmp(head, n, fileSize)) return Format::Bmp;
  if (startsWith(head, n, "\x89PNG\r\n\x1a\n", 8)) return Format::Png;
  if (n >= 12 && startsWith(head, n, "RIFF", 4) &&
      std::memcmp(head + 8, "WEBP", 4) == 0)
    return Format::WebP;
  // An ISO media file starts with its file-type box.
  if (n >= 8 && std::memcmp(head + 4, "ftyp", 4) == 0) return Format::Mp4;
  if (startsWith(head, n, "\x1A\x45\xDF\xA3", 4)) return Format::WebM;
  return Format::None;
}

// A file shorter than a picture's magic bytes that begins as they do is a
// picture cut short, not a parameter file: the format it would have been.
const char* cutMagic(const unsigned char* head, std::size_t n) {
  static const struct {
    const char* magic;
    std::size_t length;
    const char* format;
  } Magics[] = {{"\xFF\xD8\xFF", 3, "JPEG"}, {"II*\0", 4, "TIFF"},
                {"MM\0*", 4, "TIFF"},       {"GIF87a", 6, "GIF"},
                {"GIF89a", 6, "GIF"},         {"\x89PNG\r\n\x1a\n", 8, "PNG"},
                {"RIFF", 4, "WebP"}};
  for (const auto& m : Magics) {
    // RIFF files other than WebP say so only in bytes 8 to 11.
    const std::size_t whole = m.length == 4 && m.magic[0] == 'R' ? 12 : m.length;
    if (n > 0 && n < whole &&
        std::memcmp(head, m.magic, std::min(n, m.length)) == 0)
      return m.format;
  }
  return nullptr;
}

// What the file is called in a reason: a video is no picture.
std::string nounOf(const std::string& format) {
  return format == "MP4" || format == "WebM" ? " video " : " picture ";
}

void cannotRead(int error, EmbeddedTextResult& result) {
  result.status = EmbeddedTextResult::Unreadable;
  result.reason = std::strerror(error);
}

}  // namespace

void failReading(const BoundedFile& file, bool ranOut,
                 const std::string& message, EmbeddedTextResult& result) {
  if (file.exhaustedBudget()) {
    result.status = EmbeddedTextResult::TooLong;
    result.reason = "the text embedded in this " + result.format +
                    nounOf(result.format) + "does not end within the first MiB read";
  } else if (file.readError() != 0) {
    cannotRead(file.readError(), result);
  } else {
    result.status = EmbeddedTextResult::Damaged;
    result.reason = "this " + result.format + nounOf(result.format) + "is " +
                    (ranOut ? "truncated" : "damaged");
    if (!message.empty()) result.reason += " (" + message + ")";
  }
}

bool plausibleSides(unsigned long width, unsigned long height,
                    EmbeddedTextResult& result) {
  if (width > 0 && height > 0 && width <= MaxPictureSide &&
      height <= MaxPictureSide)
    return true;
  result.status = EmbeddedTextResult::Damaged;
  result.reason = "this " + result.format + nounOf(result.format) + "claims " +
                  std::to_string(width) + " x " + std::to_string(height) +
                  " pixels, which no marl picture has";
  return false;
}

bool fewPieces(std::size_t pieces, const char* piece,
               EmbeddedTextResult& result) {
  if (pieces <= std::size_t(MaxTextPieces)) return true;
  result.status = EmbeddedTextResult::Damaged;
  result.reason = "this " + result.format + nounOf(result.format) +
                  "holds more than " + std::to_string(MaxTextPieces) + " " +
                  piece + ", which no marl picture has";
  return false;
}

void foundTexts(std::vector<std::string> texts, EmbeddedTextResult& result) {
  texts.erase(std::remove_if(texts.begin(), texts.end(),
                             [](const std::string& t) { return t.empty(); }),
              texts.end());
  if (texts.empty()) {
    result.status = EmbeddedTextResult::NoText;
    result.reason =
        "this " + result.format + nounOf(result.format) + "holds no embedded text";
  } else {
    result.status = EmbeddedTextResult::Found;
    result.texts = std::move(texts);
  }
}

EmbeddedTextResult readEmbeddedText(const std::string& path) {
  EmbeddedTextResult result;
  BoundedFile file(MaxEmbeddedTextRead);
  if (!file.open(path)) {
    cannotRead(errno, result);
    return result;
  }
  if (!file.isRegular()) return result;

  unsigned char head[18];
  const std::size_t n = file.read(head, sizeof head);
  if (file.readError() != 0) {
    cannotRead(file.readError(), result);
  } else if (const char* format = cutMagic(head, n)) {
    result.format = format;
    result.status = EmbeddedTextResult::Damaged;
    result.reason = "this " + result.format + " picture is truncated";
  } else {
    file.seek(0);
    switch (formatOf(head, n, file.size())) {
      case Format::Jpeg:
        result.format = "JPEG";
        readJpegText(file, result);
        break;
      case Format::Tiff:
        result.format = "TIFF";
        readTiffText(file, result);
        break;
      case Format::Gif:
        result.format = "GIF";
        readGifText(file, result);
        break;
      case Format::Png:
        result.format = "PNG";
        readPngText(file, result);
        break;
      case Format::Bmp:
        result.format = "BMP";
        result.status = EmbeddedTextResult::NoText;
        result.reason = "a BMP picture has no place for an embedded text";
        break;
      case Format::WebP:
        result.format = "WebP";
        readWebpText(file, result);
        break;
      case Format::Mp4:
        result.format = "MP4";
        readMediaText(file, "mov", result);
        break;
      case Format::WebM:
        result.format = "WebM";
        readMediaText(file, "matroska", result);
        break;
      case Format::None:
        break;
    }
  }
  result.bytesRead = file.bytesRead();
  return result;
}

}  // namespace marl
