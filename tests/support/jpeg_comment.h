#ifndef MARL_TESTS_SUPPORT_JPEG_COMMENT_H_
#define MARL_TESTS_SUPPORT_JPEG_COMMENT_H_

#include <cstddef>
#include <string>
#include <vector>

namespace marl {

// A COM segment's length field counts itself, and holds at most 65535.
constexpr std::size_t MaxJpegCommentSegment = 65533;

// Adds `text` to an encoded JPEG stream as COM segments, right after the SOI
// marker and the APP0 (JFIF) segments that follow it, so that a reader meets
// the text before any table or picture data. A longer text than one segment
// holds is split over consecutive segments, which a reader joins in order.
// An empty text leaves the stream as it is. False, with the reason in
// `error`, when `jpeg` does not begin as a JPEG stream.
bool insertJpegComment(std::vector<unsigned char>& jpeg,
                       const std::string& text, std::string& error);

}  // namespace marl

#endif  // MARL_TESTS_SUPPORT_JPEG_COMMENT_H_
