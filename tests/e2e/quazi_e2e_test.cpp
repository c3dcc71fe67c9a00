// End-to-end runs with the tiling picture.
#include <regex>
#include <string>
#include <vector>

#include <boost/random/mersenne_twister.hpp>
#include <boost/random/uniform_smallint.hpp>
#include <gtest/gtest.h>

#include "e2e/marl_process.h"
#include "support/decoded_image.h"

namespace marl_e2e {
namespace {

using marl_test::DecodedImage;
using marl_test::decodeImageFile;

// Raw engine values one job takes before its echo: the frozen second's
// skipped pairs and three draws for each of its 12006 colour slots.
constexpr int Construction = 2 * (FrozenSeconds % 2000) + 3 * 12006;
// What randomize takes at detail 6: the linear coefficient, 202 discarded
// values, the start point, 36 coefficients and the image number.
constexpr int Randomize = 1 + 202 + 2 + 36 + 1;

// The start colour the second job of a run echoes when the first job has
// taken `firstJobDraws` raw values after its construction.
std::string secondStartColour(int firstJobDraws) {
  boost::random::mt19937 engine;
  engine.discard(Construction + firstJobDraws + Construction);
  boost::random::uniform_smallint<int> channel(0, 200);
  const int r = 55 + channel(engine), g = 55 + channel(engine),
            b = 55 + channel(engine);
  return "Start color = Red " + std::to_string(r) + " Green " +
         std::to_string(g) + " Blue " + std::to_string(b) + "\n";
}

std::string secondJobEcho(const std::string& out) {
  const std::size_t second = out.find("Start color", out.find("Start color") + 1);
  return out.substr(second, out.find('\n', second) - second + 1);
}

TEST(QuaziEndToEnd, TilingDrawsHappenOnlyWhenTheTilingIsAskedFor) {
  const std::vector<std::string> fixed = {
      "count=2", "it=0",    "R1=1",     "G1=2",      "B1=3",    "size=100",
      "qline=9", "qsize=64", "qx=32",   "qy=32",     "qscale=0.05", "qsep=0.05"};
  // Three channels drawn per job for the start colour; off, nothing else.
  {
    TempFolder folder;
    std::vector<std::string> words = fixed;
    words.push_back("quazi=false");
    const RunResult run = runMarl(folder, words);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(secondJobEcho(run.out), secondStartColour(3 + Randomize));
    EXPECT_EQ(folder.files().size(), 2u);
  }
  // On: 400 warm-up draws and one spacing per line family as well.
  {
    TempFolder folder;
    std::vector<std::string> words = fixed;
    words.push_back("quazi=true");
    const RunResult run = runMarl(folder, words);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(secondJobEcho(run.out),
              secondStartColour(3 + 400 + Randomize + 9));
    EXPECT_EQ(folder.files().size(), 4u);
  }
}

TEST(QuaziEndToEnd, BothPicturesShareNumberAndTypeAndTilesCarryTheColours) {
  for (const std::string type : {"bmp", "gif", "tiff", "jpeg"}) {
    TempFolder folder;
    // No iterations: the attractor picture is one colour, so every covered
    // pixel of the tiling must show exactly that colour.
    const RunResult run = runMarl(
        folder, {"image=" + type, "it=0", "size=120", "quazi=true",
                 "qline=11", "qsize=333", "qx=150", "qy=170", "qscale=0.1",
                 "qsep=0.05", "R0=40", "G0=90", "B0=200", "R1=40", "G1=90",
                 "B1=200", "basename=t_"});
    ASSERT_EQ(run.status, 0) << run.err;
    std::smatch name;
    ASSERT_TRUE(std::regex_search(run.out, name,
                                  std::regex("t_(\\d{6})\\.(\\w+)\\n")));
    const std::string number = name[1], extension = name[2];
    EXPECT_EQ(folder.files(),
              (std::vector<std::string>{"t_" + number + "." + extension,
                                        "t__quazi" + number + "." + extension}));
    const DecodedImage tiling =
        decodeImageFile(folder.path() + "/t__quazi" + number + "." + extension);
    ASSERT_EQ(tiling.width, 333) << type;
    ASSERT_EQ(tiling.height, 333) << type;
    std::size_t exact = 0, close = 0;
    for (uint32_t p : tiling.pixels) {
      exact += (p & 0xFFFFFF) == 0x285AC8;
      const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
      close += std::abs(r - 40) <= 4 && std::abs(g - 90) <= 4 &&
               std::abs(b - 200) <= 4;
    }
    // The tiling covers the whole view; JPEG only comes close.
    const double share = double(type == "jpeg" ? close : exact) /
                         tiling.pixels.size();
    EXPECT_GT(share, 0.99) << type;
  }
}

TEST(QuaziEndToEnd, NonPositiveQuaziSideIsAnErrorButTheAttractorIsWritten) {
  TempFolder folder;
  const RunResult run =
      runMarl(folder, {"it=0", "size=64", "quazi=true", "qsize=0"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("marl: error: qsize 0"), std::string::npos) << run.err;
  ASSERT_EQ(folder.files().size(), 1u);
  EXPECT_EQ(folder.files()[0].find("_quazi"), std::string::npos);
}

}  // namespace
}  // namespace marl_e2e
