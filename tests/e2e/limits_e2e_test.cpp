// Limits checked before any work: memory (with a lowered RLIMIT_AS), the
// sides Cairo and the file formats allow, and a torus past 16384 cut down
// to a small picture.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/marl_process.h"
#include "support/decoded_image.h"

namespace marl_e2e {
namespace {

const std::vector<std::string> Colours = {"R0=0",   "G0=0",   "B0=80",
                                          "R1=255", "G1=230", "B1=40"};

std::vector<std::string> with(std::vector<std::string> words) {
  words.insert(words.end(), Colours.begin(), Colours.end());
  return words;
}

RunResult runLimited(const TempFolder& folder,
                     const std::vector<std::string>& args, long addressSpace) {
  Launch launch;
  launch.addressSpaceLimit = addressSpace;
  MarlProcess marl(folder, args, launch);
  return marl.wait();
}

TEST(LimitsEndToEnd, TooLittleMemoryIsAnErrorBeforeAnyWork) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "the address sanitizer reserves terabytes of address "
                  "space, so no process of this build starts under a 1 GB "
                  "RLIMIT_AS";
#endif
  constexpr long OneGigabyte = 1L << 30;
  TempFolder folder;
  const RunResult refused =
      runLimited(folder, with({"size=20000", "it=2000000"}), OneGigabyte);
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err.rfind("marl: error: a picture of size=20000 needs "
                              "about 1.6 GB of memory, but marl may use ", 0),
            0u)
      << refused.err;
  EXPECT_NE(refused.err.find(" (RLIMIT_AS); give a smaller size; no picture "
                             "is made\n"),
            std::string::npos);
  EXPECT_EQ(refused.out.find("image(s) will be created"), std::string::npos);
  EXPECT_TRUE(folder.files().empty());

  // What fits the same limit is made.
  const RunResult small =
      runLimited(folder, with({"size=160", "it=1100000"}), OneGigabyte);
  EXPECT_EQ(small.status, 0) << small.err;
  EXPECT_EQ(folder.files().size(), 1u);
}

TEST(LimitsEndToEnd, SidesBeyondCairoOrTheFormatAreRefusedBeforeAnyWork) {
  const struct {
    std::vector<std::string> words;
    const char* error;
  } cases[] = {
      {{"width=65501", "size=100"},
       "marl: error: width=65501 is too large for JPEG pictures, which are at "
       "most 65500 pixels a side; give width=65500 or less, or another image "
       "type; no picture is made\n"},
      {{"size=33000", "width=100", "height=100", "quazi=true"},
       "marl: error: size=33000 is too large: with quazi=true the tiling "
       "warps the square attractor picture from a Cairo surface, which is at "
       "most 32767 pixels a side; give size=32767 or less; no picture is "
       "made\n"},
  };
  for (const auto& c : cases) {
    TempFolder folder;
    const RunResult run = runMarl(folder, with(c.words));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, c.error);
    EXPECT_TRUE(folder.files().empty());
  }
}

TEST(LimitsEndToEnd, ATorusPast16384IsCutToASmallPicture) {
  // The map from a small picture's recipe, so that no fill check runs over
  // the large grid (1.1 GB).
  TempFolder made;
  ASSERT_EQ(runMarl(made, with({"size=160", "it=1100000", "image=tiff"}))
                .status,
            0);
  TempFolder big;
  const RunResult run = runMarl(
      big, {"file=" + made.path() + "/" + made.files()[0], "size=16500",
            "width=300", "height=200", "it=4000000", "mode=fast"});
  ASSERT_EQ(run.status, 0) << run.err;
  ASSERT_EQ(big.files().size(), 1u);
  const marl_test::DecodedImage picture =
      marl_test::decodeImageFile(big.path() + "/" + big.files()[0]);
  EXPECT_EQ(picture.width, 300);
  EXPECT_EQ(picture.height, 200);
}

}  // namespace
}  // namespace marl_e2e
