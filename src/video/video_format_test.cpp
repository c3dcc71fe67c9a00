#include "video/video_format.h"

#include <gtest/gtest.h>

#include <sstream>

namespace marl {
namespace {

using F = VideoFormat;

TEST(VideoFormatTest, WordsPickFormatsOnceInTableOrder) {
  const struct {
    const char* value;
    std::vector<F> formats;
  } cases[] = {
      {"mp4", {F::Mp4}},
      {"webp,gif,mp4,webm", {F::Mp4, F::WebM, F::Gif, F::WebP}},
      {" GIF , Mp4,gif,,", {F::Mp4, F::Gif}},
  };
  for (const auto& c : cases) {
    std::ostringstream err;
    EXPECT_EQ(parseVideoFormats(c.value, err), c.formats) << c.value;
    EXPECT_EQ(err.str(), "") << c.value;
  }
}

TEST(VideoFormatTest, UnknownWordsAreLeftOutWithAWarning) {
  std::ostringstream err;
  EXPECT_EQ(parseVideoFormats("mp4,avi,\x1b[1m", err),
            std::vector<F>{F::Mp4});
  EXPECT_EQ(err.str(),
            "marl: warning: video=mp4,avi,\\x1b[1m: 'avi' is no video format "
            "(mp4, webm, gif or webp); left out\n"
            "marl: warning: video=mp4,avi,\\x1b[1m: '\\x1b[1m' is no video "
            "format (mp4, webm, gif or webp); left out\n");
  EXPECT_STREQ(videoFormatInfo(F::WebM).extension, "webm");
}

// A value that names no format at all, as an unset shell variable gives,
// says that no video is made, after any word it left out.
TEST(VideoFormatTest, AValueNamingNoFormatWarnsThatNoVideoIsMade) {
  const struct {
    const char* value;
    const char* says;
  } cases[] = {
      {"", "marl: warning: video=: no video format named (mp4, webm, gif or "
           "webp); no video is made\n"},
      {" , ", "marl: warning: video= , : no video format named (mp4, webm, "
              "gif or webp); no video is made\n"},
      {"avi", "marl: warning: video=avi: 'avi' is no video format (mp4, "
              "webm, gif or webp); left out\n"
              "marl: warning: video=avi: no video format named (mp4, webm, "
              "gif or webp); no video is made\n"},
  };
  for (const auto& c : cases) {
    std::ostringstream err;
    EXPECT_TRUE(parseVideoFormats(c.value, err).empty()) << c.value;
    EXPECT_EQ(err.str(), c.says) << c.value;
  }
}

}  // namespace
}  // namespace marl
