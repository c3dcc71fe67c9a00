#include "support/jpeg_comment.h"

#include <algorithm>

namespace marl {

namespace {

constexpr unsigned char Marker = 0xFF;
constexpr unsigned char StartOfImage = 0xD8;
constexpr unsigned char App0 = 0xE0;
constexpr unsigned char Comment = 0xFE;

}  // namespace

bool insertJpegComment(std::vector<unsigned char>& jpeg,
                       const std::string& text, std::string& error) {
  if (text.empty()) return true;
  if (jpeg.size() < 2 || jpeg[0] != Marker || jpeg[1] != StartOfImage) {
    error = "the encoded JPEG stream does not start with SOI";
    return false;
  }
  std::size_t at = 2;
  while (at + 4 <= jpeg.size() && jpeg[at] == Marker && jpeg[at + 1] == App0) {
    const std::size_t length = std::size_t(jpeg[at + 2]) << 8 | jpeg[at + 3];
    if (length < 2 || at + 2 + length > jpeg.size()) {
      error = "the encoded JPEG stream has a malformed APP0 segment";
      return false;
    }
    at += 2 + length;
  }

  std::vector<unsigned char> segments;
  segments.reserve(text.size() + 4 * (text.size() / MaxJpegCommentSegment + 1));
  for (std::size_t from = 0; from < text.size();
       from += MaxJpegCommentSegment) {
    const std::size_t n = std::min(MaxJpegCommentSegment, text.size() - from);
    const std::size_t length = n + 2;
    segments.insert(segments.end(),
                    {Marker, Comment, static_cast<unsigned char>(length >> 8),
                     static_cast<unsigned char>(length & 0xFF)});
    segments.insert(segments.end(), text.begin() + from,
                    text.begin() + from + n);
  }
  jpeg.insert(jpeg.begin() + at, segments.begin(), segments.end());
  return true;
}

}  // namespace marl
