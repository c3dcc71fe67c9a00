// Pictures cut from the plane the torus tiles: width, height, shiftx and
// shifty with the real binary, compared pixel by pixel in a lossless format.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/marl_process.h"
#include "support/decoded_image.h"

namespace marl_e2e {
namespace {

using marl_test::DecodedImage;
using marl_test::decodeImageFile;

const std::vector<std::string> Square = {"size=160", "it=1100000", "R0=0",
                                         "G0=0",     "B0=80",      "R1=255",
                                         "G1=230",   "B1=40"};

// The one picture a run with Square and `extra` writes, decoded.
DecodedImage makeOne(const std::vector<std::string>& extra,
                     const std::string& image, RunResult* result = nullptr) {
  TempFolder folder;
  std::vector<std::string> args = Square;
  args.push_back("image=" + image);
  args.insert(args.end(), extra.begin(), extra.end());
  const RunResult run = runMarl(folder, args);
  if (result != nullptr) *result = run;
  EXPECT_EQ(run.status, 0) << run.err;
  if (folder.files().size() != 1) return {};
  return decodeImageFile(folder.path() + "/" + folder.files()[0]);
}

TEST(ShapeEndToEnd, CutsShowTheSquareRepeatedAndShifted) {
  for (const char* image : {"bmp", "tiff"}) {
    SCOPED_TRACE(image);
    const DecodedImage square = makeOne({}, image);
    ASSERT_EQ(square.width, 160);
    struct Cut {
      std::vector<std::string> words;
      int width, height, shiftX, shiftY;  // shifts in pixels
    } const cuts[] = {
        {{"width=320"}, 320, 160, 0, 0},  // two copies side by side
        {{"shiftx=0.5"}, 160, 160, 80, 0},
        {{"width=100", "height=400", "shiftx=0.25", "shifty=0.75"}, 100, 400,
         40, 120},
    };
    for (const Cut& cut : cuts) {
      RunResult run;
      const DecodedImage picture = makeOne(cut.words, image, &run);
      ASSERT_EQ(picture.width, cut.width) << cut.words[0];
      ASSERT_EQ(picture.height, cut.height);
      EXPECT_NE(run.out.find("The image will be " + std::to_string(cut.width) +
                             " x " + std::to_string(cut.height) + " pixels\n"),
                std::string::npos);
      int wrong = 0;
      for (int y = 0; y < cut.height; ++y) {
        for (int x = 0; x < cut.width; ++x) {
          wrong += picture.at(x, y) !=
                   square.at((x + cut.shiftX) % 160, (y + cut.shiftY) % 160);
        }
      }
      EXPECT_EQ(wrong, 0) << cut.words[0];
    }
  }
}

TEST(ShapeEndToEnd, WallpaperSizeAndItsReplayAtTwiceTheSide) {
  TempFolder made;
  std::vector<std::string> args = Square;
  args.insert(args.end(), {"width=3840", "height=2160", "shifty=0.5",
                           "image=tiff", "mode=fast"});
  ASSERT_EQ(runMarl(made, args).status, 0);
  ASSERT_EQ(made.files().size(), 1u);
  const std::string picture = made.path() + "/" + made.files()[0];
  const DecodedImage wide = decodeImageFile(picture);
  EXPECT_EQ(wide.width, 3840);
  EXPECT_EQ(wide.height, 2160);

  // The recipe keeps the cut; at twice the side it is twice as large.
  TempFolder same, twice, given;
  ASSERT_EQ(runMarl(same, {"file=" + picture}).status, 0);
  EXPECT_TRUE(same.read(same.files()[0]) == made.read(made.files()[0]));
  const RunResult enlarged =
      runMarl(twice, {"file=" + picture, "size=320", "it=1000"});
  EXPECT_NE(enlarged.out.find("The image will be 7680 x 4320 pixels\n"),
            std::string::npos)
      << enlarged.out;
  const RunResult fixed = runMarl(
      given, {"file=" + picture, "size=320", "it=1000", "width=500"});
  EXPECT_NE(fixed.out.find("The image will be 500 x 4320 pixels\n"),
            std::string::npos);
}

}  // namespace
}  // namespace marl_e2e
