// End-to-end runs that write pictures: every file type, byte-identical
// repeats, files that cannot be written, and large sides.
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/marl_process.h"
#include "render/image_file.h"
#include "support/decoded_image.h"

namespace marl_e2e {
namespace {

using marl_test::DecodedImage;
using marl_test::decodeImageFile;

const std::vector<std::string> QuickPicture = {
    "size=160", "it=1100000", "R0=0", "G0=0", "B0=80",
    "R1=255",   "G1=230",     "B1=40"};

std::vector<std::string> quick(std::vector<std::string> extra) {
  extra.insert(extra.end(), QuickPicture.begin(), QuickPicture.end());
  return extra;
}

// The picture names a run printed, in order.
std::vector<std::string> printedNames(const std::string& out) {
  std::vector<std::string> names;
  const std::regex name("[^\\n]*\\d{6}\\.(jpg|tif|gif|bmp)(?=\\n)");
  for (auto it = std::sregex_iterator(out.begin(), out.end(), name);
       it != std::sregex_iterator(); ++it)
    names.push_back(it->str());
  return names;
}

int largestChannelDifference(uint32_t a, uint32_t b) {
  int largest = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const int d = std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF));
    largest = std::max(largest, d);
  }
  return largest;
}

TEST(ImageEndToEnd, EveryTypeIsWrittenAndReadsBackAlike) {
  std::vector<DecodedImage> pictures;
  for (const char* word : {"bmp", "tiff", "jpeg", "gif"}) {
    TempFolder folder, again;
    const RunResult run = runMarl(folder, quick({std::string("image=") + word}));
    ASSERT_EQ(run.status, 0) << word << run.err;
    const std::vector<std::string> names = printedNames(run.out);
    ASSERT_EQ(names.size(), 1u) << run.out;
    ASSERT_EQ(folder.files(), names);
    pictures.push_back(decodeImageFile(folder.path() + "/" + names[0]));
    EXPECT_EQ(pictures.back().width, 160) << word;
    EXPECT_EQ(pictures.back().height, 160) << word;

    // The same clock and options give the same bytes.
    const RunResult repeat = runMarl(again, quick({std::string("image=") + word}));
    EXPECT_EQ(repeat.out, run.out);
    EXPECT_EQ(again.read(names[0]), folder.read(names[0])) << word;
  }
  // The file type changes no draw: all four show the same picture, BMP and
  // TIFF (both lossless) pixel for pixel.
  const DecodedImage& bmp = pictures[0];
  ASSERT_EQ(bmp.pixels.size(), 160u * 160u);
  EXPECT_EQ(pictures[1].pixels, bmp.pixels);
  // JPEG is lossy: judge it by its peak signal-to-noise ratio.
  double squares = 0;
  for (std::size_t i = 0; i < bmp.pixels.size(); ++i)
    for (int shift = 0; shift < 24; shift += 8) {
      const double d = double((pictures[2].pixels[i] >> shift) & 0xFF) -
                       double((bmp.pixels[i] >> shift) & 0xFF);
      squares += d * d;
    }
  const double meanSquare = squares / (3.0 * bmp.pixels.size());
  const double psnr = 10 * std::log10(255.0 * 255.0 / meanSquare);
  EXPECT_GT(psnr, 32.0);  // 35 seen on this speckled picture
  int gifWorst = 0;
  for (std::size_t i = 0; i < bmp.pixels.size(); ++i)
    gifWorst = std::max(gifWorst,
                        largestChannelDifference(pictures[3].pixels[i], bmp.pixels[i]));
  EXPECT_LT(gifWorst, 48);
}

TEST(ImageEndToEnd, MissingFolderIsAnErrorAndTheRunGoesOn) {
  TempFolder folder;
  const RunResult run =
      runMarl(folder, quick({"count=2", "it=0", "basename=absent/x"}));
  EXPECT_EQ(run.status, 1);
  const std::vector<std::string> names = printedNames(run.out);
  ASSERT_EQ(names.size(), 2u);
  for (const std::string& name : names) {
    EXPECT_NE(run.err.find("marl: error: cannot write '" + name +
                           "': No such file or directory"),
              std::string::npos)
        << run.err;
  }
  EXPECT_TRUE(folder.files().empty());
}

TEST(ImageEndToEnd, AFailedPictureLeavesTheNextOneWritten) {
  // Learn the names this clock gives, then take the first and every
  // numbered name it could step aside to (with dangling links: quick to
  // make, and not plain files).
  TempFolder probe, folder;
  const std::vector<std::string> words = quick({"count=2", "it=0"});
  const std::vector<std::string> names = printedNames(runMarl(probe, words).out);
  ASSERT_EQ(names.size(), 2u);
  const std::string blocked = folder.path() + "/" + names[0];
  ASSERT_EQ(symlink("nowhere", blocked.c_str()), 0);
  for (int n = 2; n <= marl::LastNameNumber; ++n)
    ASSERT_EQ(symlink("nowhere", marl::numberedName(blocked, n).c_str()), 0);

  const RunResult run = runMarl(folder, words);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(printedNames(run.out), names);
  EXPECT_NE(run.err.find("marl: error: cannot write '" + names[0] + "'"),
            std::string::npos)
      << run.err;
  EXPECT_EQ(folder.files(), std::vector<std::string>{names[1]});
  EXPECT_EQ(folder.read(names[1]), probe.read(names[1]));
}

TEST(ImageEndToEnd, LargeSideEnds) {
  TempFolder folder;
  const RunResult run =
      runMarl(folder, {"size=3000", "it=2000000", "image=gif", "count=1"});
  EXPECT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> names = printedNames(run.out);
  ASSERT_EQ(names.size(), 1u);
  const DecodedImage picture = decodeImageFile(folder.path() + "/" + names[0]);
  EXPECT_EQ(picture.width, 3000);
  EXPECT_NE(run.out.find("itcnt = 1000000\nfillval = "), std::string::npos);
}

// Just below the side where the fill check turns coarse, no orbit can fill
// 15% of the cells with the hits of one check; the run must still end.
TEST(ImageEndToEnd, SidesWhereNoOrbitFillsTheCheckEnd) {
  for (const char* size : {"size=2500", "size=2578"}) {
    TempFolder folder;
    const RunResult run = runMarl(folder, {size, "it=1000001", "image=bmp"});
    EXPECT_EQ(run.status, 0) << size << run.err;
    EXPECT_EQ(printedNames(run.out).size(), 1u) << size;
    EXPECT_EQ(folder.files().size(), 1u) << size;
  }
}

}  // namespace
}  // namespace marl_e2e
