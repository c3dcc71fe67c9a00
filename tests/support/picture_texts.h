#ifndef MARL_TESTS_SUPPORT_PICTURE_TEXTS_H_
#define MARL_TESTS_SUPPORT_PICTURE_TEXTS_H_

#include <string>
#include <vector>

namespace marl_test {

// `lines` (a recipe up to its check line) with the check line marl writes,
// computed here from the rule the README states: FNV-1a 64 from the offset
// basis 1469598103934665603.
std::string sealed(const std::string& lines);

// The bytes of `picture`, a JPEG, TIFF, GIF, PNG or WebP as marl writes
// them, with `texts` in place of its own: one COM segment, Comment
// Extension, iTXt chunk or XMP packet each, where the first of its own was;
// a TIFF's one ImageDescription holds them joined. An empty string when the
// bytes are none of these.
std::string withTexts(const std::string& picture,
                      const std::vector<std::string>& texts);

}  // namespace marl_test

#endif  // MARL_TESTS_SUPPORT_PICTURE_TEXTS_H_
