#include "job/picture_colours.h"

#include <ctime>
#include <optional>

#include <gtest/gtest.h>

#include "job/picture_job.h"

namespace marl {
namespace {

bool sameColours(const CountColours& a, const CountColours& b) {
  return a.entry.kind == b.entry.kind && a.entry.scale == b.entry.scale &&
         a.entry.top == b.entry.top && a.colours8 == b.colours8 &&
         a.colours16 == b.colours16;
}

// The tables are built once per picture, and a 16-bit frame's video gets
// the 8-bit colouring it always had, for either way of colouring.
TEST(PictureColoursTest, VideoTableOnlyWhereTheFilesTableIsNotIt) {
  struct Case {
    int depth;
    bool forVideo;
    const char* palette;
    bool videoTableOfItsOwn;
  };
  const Case cases[] = {
      {8, false, "", false},       {8, true, "", false},
      {16, false, "", false},      {16, true, "", true},
      {8, true, "magma", false},   {16, true, "magma", true},
      {16, false, "magma", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.depth << " " << c.forVideo << " '"
                                    << c.palette << "'");
    JobSettings s;
    s.iterationMaximum = 300000;
    s.detail = 3;
    s.side = 50;
    s.depth = c.depth;
    s.colour.palette = c.palette;
    QuietConsole console;
    RandomSource random;
    std::optional<PreparedPicture> picture =
        preparePicture(s, random, std::time_t(1767225600), console);
    ASSERT_TRUE(picture);
    ASSERT_TRUE(picture->hits->finish(picture->plan));
    HitGrid& grid = picture->hits->grid();
    const PictureColours colours =
        colourHits(picture->plan, grid, c.forVideo);
    EXPECT_EQ(colours.video8.has_value(), c.videoTableOfItsOwn);
    EXPECT_EQ(colours.files.colours16.empty(), c.depth == 8);
    EXPECT_TRUE(sameColours(colours.files,
                            countColours(picture->plan, grid, c.depth)));
    if (c.forVideo) {
      EXPECT_TRUE(
          sameColours(colours.video(), countColours(picture->plan, grid, 8)));
    }
  }
}

}  // namespace
}  // namespace marl
