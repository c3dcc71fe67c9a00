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
#include "files/durable_file.h"
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
  const std::regex name("[^\\n]*\\d{6}\\.(jpg|tif|gif|bmp|png|webp)(?=\\n)");
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

// The peak signal-to-noise ratio of `a` against `b`, in dB.
double psnrOf(const DecodedImage& a, const DecodedImage& b) {
  double squares = 0;
  for (std::size_t i = 0; i < b.pixels.size(); ++i)
    for (int shift = 0; shift < 24; shift += 8) {
      const double d = double((a.pixels[i] >> shift) & 0xFF) -
                       double((b.pixels[i] >> shift) & 0xFF);
      squares += d * d;
    }
  const double meanSquare = squares / (3.0 * b.pixels.size());
  return 10 * std::log10(255.0 * 255.0 / meanSquare);
}

TEST(ImageEndToEnd, EveryTypeIsWrittenAndReadsBackAlike) {
  std::vector<DecodedImage> pictures;
  for (const char* word : {"bmp", "tiff", "jpeg", "gif", "png", "webp"}) {
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
  EXPECT_GT(psnrOf(pictures[2], bmp), 32.0);  // 35 seen on this speckle
  int gifWorst = 0;
  for (std::size_t i = 0; i < bmp.pixels.size(); ++i)
    gifWorst = std::max(gifWorst,
                        largestChannelDifference(pictures[3].pixels[i], bmp.pixels[i]));
  EXPECT_LT(gifWorst, 48);
  EXPECT_EQ(pictures[4].pixels, bmp.pixels);  // PNG is lossless
  // Lossy WebP halves the colour resolution, which costs this speckle
  // much more than JPEG's 4:4:4.
  EXPECT_GT(psnrOf(pictures[5], bmp), 17.0);  // 19.3 seen
  EXPECT_NE(pictures[5].pixels, bmp.pixels);   // lossy by default
}

// 16 bits where asked, in the two formats that hold them: the same picture
// in its high bytes, and a replay of the recipe (which says depth=16) makes
// the same file.
TEST(ImageEndToEnd, DeepPicturesAreSixteenBitsAndReplay) {
  TempFolder shallowFolder;
  ASSERT_EQ(runMarl(shallowFolder, quick({"image=bmp"})).status, 0);
  const DecodedImage shallow = decodeImageFile(
      shallowFolder.path() + "/" + shallowFolder.files()[0]);
  ASSERT_EQ(shallow.width, 160);
  for (const char* word : {"png", "tiff"}) {
    TempFolder folder, elsewhere;
    const RunResult run =
        runMarl(folder, quick({std::string("image=") + word, "depth=16"}));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const std::string name = printedNames(run.out).at(0);
    const DecodedImage deep = decodeImageFile(folder.path() + "/" + name);
    EXPECT_EQ(deep.depth, 16) << word;
    EXPECT_FALSE(deep.alpha) << word;
    ASSERT_EQ(deep.pixels.size(), shallow.pixels.size()) << word;
    int worst = 0;
    for (std::size_t i = 0; i < deep.pixels.size(); ++i)
      worst = std::max(worst, largestChannelDifference(deep.pixels[i],
                                                       shallow.pixels[i]));
    EXPECT_LE(worst, 1) << word;
    EXPECT_NE(folder.read(name).find("depth=16\n"), std::string::npos);
    ASSERT_EQ(runMarl(elsewhere, {"file=" + folder.path() + "/" + name}).status,
              0);
    EXPECT_TRUE(elsewhere.read(name) == folder.read(name)) << word;
    // Another type on the command line makes the recipe's depth unusable:
    // the user's doing, so a warning and 8 bits, not a refused recipe.
    TempFolder asBmp;
    const RunResult bmp =
        runMarl(asBmp, {"file=" + folder.path() + "/" + name, "image=bmp"});
    EXPECT_EQ(bmp.status, 0) << bmp.err;
    EXPECT_NE(bmp.err.find("marl: warning: depth=16 needs image=png"),
              std::string::npos)
        << bmp.err;
  }
}

// Transparency where the format has it; elsewhere a warning and the picture
// as it always is. A background colour paints every format.
TEST(ImageEndToEnd, BackgroundIsTransparentOrPainted) {
  // So few steps that many cells stay unvisited.
  const auto sparse = [](std::vector<std::string> extra) {
    extra.insert(extra.begin(), "it=20000");
    return quick(extra);
  };
  TempFolder plainFolder;
  ASSERT_EQ(runMarl(plainFolder, sparse({"image=bmp"})).status, 0);
  const std::string plainName = plainFolder.files()[0];
  const DecodedImage plain = decodeImageFile(plainFolder.path() + "/" + plainName);
  for (const char* word : {"png", "tiff", "webp", "bmp"}) {
    TempFolder folder;
    const RunResult run = runMarl(
        folder, sparse({std::string("image=") + word, "background=none"}));
    ASSERT_EQ(run.status, 0) << run.err;
    const DecodedImage picture =
        decodeImageFile(folder.path() + "/" + printedNames(run.out).at(0));
    ASSERT_EQ(picture.pixels.size(), plain.pixels.size()) << word;
    const bool alpha = std::string(word) != "bmp";
    EXPECT_EQ(picture.alpha, alpha) << word;
    EXPECT_EQ(run.err.find("marl: warning: background=none") != std::string::npos,
              !alpha)
        << run.err;
    int clear = 0;
    for (uint32_t p : picture.pixels) clear += (p >> 24) == 0;
    if (alpha) {
      EXPECT_GT(clear, int(picture.pixels.size() / 4)) << word;
    } else {
      EXPECT_EQ(picture.pixels, plain.pixels);
    }
  }
  TempFolder painted;
  ASSERT_EQ(runMarl(painted, sparse({"image=gif", "background=FF00FF"})).status,
            0);
  const DecodedImage gif = decodeImageFile(painted.path() + "/" + painted.files()[0]);
  ASSERT_EQ(gif.pixels.size(), plain.pixels.size());
  int magenta = 0;
  for (std::size_t i = 0; i < gif.pixels.size(); ++i) {
    if (gif.pixels[i] == 0xFFFF00FFu) {
      ++magenta;
    } else {
      EXPECT_EQ(gif.pixels[i], plain.pixels[i]) << i;
    }
  }
  EXPECT_GT(magenta, 0);
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
