#include "video/video_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

#include "readers/embedded_text.h"
#include "support/decoded_video.h"
#include "support/memory_rows.h"
#include "support/temp_dir.h"
#include "support/video_writing.h"

extern "C" {
#include <libavutil/pixfmt.h>
}

namespace marl {
namespace {

namespace fs = std::filesystem;
using marl_test::channelMean;
using marl_test::contents;
using marl_test::DecodedVideo;
using marl_test::decodeVideoFile;
using marl_test::FormatCase;
using marl_test::Formats;
using marl_test::MemoryRows;
using marl_test::nameFor;
using marl_test::paintFrame;
using marl_test::Recipe;
using marl_test::TempDir;
using marl_test::writeVideo;
using marl_test::Written;

// N frames in, N out, in a file that loops, tells its size and rate, and
// keeps the recipe; each format its own way.
TEST(VideoFileTest, EveryFormatPlaysEachFrameOnceAndKeepsTheRecipe) {
  TempDir dir;
  constexpr int N = 5;
  VideoSettings settings;
  settings.width = 64;
  settings.height = 48;
  settings.fps = 25;
  settings.embeddedText = Recipe;
  for (const FormatCase& f : Formats) {
    SCOPED_TRACE(f.extension);
    const Written w = writeVideo(f.format, nameFor(dir, f), N, settings);
    ASSERT_TRUE(w.ok) << w.err;
    EXPECT_EQ(w.err, "");
    EXPECT_EQ(w.name, nameFor(dir, f));
    const DecodedVideo video = decodeVideoFile(w.name);
    EXPECT_EQ(video.codec, f.codec);
    EXPECT_EQ(video.width, 64);
    EXPECT_EQ(video.height, 48);
    EXPECT_EQ(video.frames.size(), std::size_t(N));
    if (f.format == VideoFormat::Mp4) {
      // The index first, so that a player can start before the whole file
      // has come.
      const std::string bytes = contents(w.name);
      EXPECT_LT(bytes.find("moov"), bytes.find("mdat"));
    }
    if (f.format == VideoFormat::Mp4 || f.format == VideoFormat::WebM) {
      EXPECT_EQ(video.pixelFormat, "yuv420p");
      EXPECT_EQ(video.frameRateNum, 25 * video.frameRateDen);
    } else {
      EXPECT_EQ(video.loopCount, 0);
      EXPECT_EQ(video.durationsMs, std::vector<int>(N, 40));
    }
    const EmbeddedTextResult text = readEmbeddedText(w.name);
    EXPECT_EQ(text.status, EmbeddedTextResult::Found) << text.reason;
    EXPECT_EQ(text.format, f.textFormat);
    EXPECT_EQ(text.texts, std::vector<std::string>{Recipe});
  }
  EXPECT_EQ(dir.entries().size(), 4u);
}

// The palette fits: every GIF frame is exact, with the frame's own colours.
TEST(VideoFileTest, GifFramesAreExactWhenTheColoursFit) {
  TempDir dir;
  const Written w = writeVideo(VideoFormat::Gif, dir.file("a.gif"), 3);
  ASSERT_TRUE(w.ok) << w.err;
  const DecodedVideo video = decodeVideoFile(w.name);
  ASSERT_EQ(video.frames.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(video.frames[i] == paintFrame(64, 48, i).argb)
        << "frame " << i;
  }
}

TEST(VideoFileTest, GifWithTooManyColoursSaysSoAndStillPlaysEveryFrame) {
  TempDir dir;
  const Written w =
      writeVideo(VideoFormat::Gif, dir.file("many.gif"), 2, {}, 3000);
  ASSERT_TRUE(w.ok) << w.err;
  EXPECT_EQ(w.err, "marl: warning: '" + w.name +
                       "': 2 of 2 frames have more than 256 colours; each "
                       "was reduced to 256 of its own\n");
  EXPECT_EQ(decodeVideoFile(w.name).frames.size(), 2u);
}

// The stream is converted with BT.709 at limited range and tagged so; a
// decoder that follows the tags gets the colours back on average.
// Mean absolute difference of two frames' channels, over every pixel.
double pixelDifference(const std::vector<uint32_t>& a,
                       const std::vector<uint32_t>& b) {
  double sum = 0.0;
  for (std::size_t i = 0; i < a.size(); ++i)
    for (int shift : {16, 8, 0})
      sum += std::abs(int((a[i] >> shift) & 0xFF) - int((b[i] >> shift) & 0xFF));
  return sum / (3.0 * double(a.size()));
}

// In 4:2:0 and, asked for, 4:4:4, which keeps each pixel's own colour
// closer than 4:2:0's shared one.
TEST(VideoFileTest, DecodedFrameKeepsTheMeanColour) {
  TempDir dir;
  VideoSettings settings;
  settings.width = 96;
  settings.height = 96;
  const std::vector<uint32_t> pixels = paintFrame(96, 96, 0).argb;
  for (VideoFormat format : {VideoFormat::Mp4, VideoFormat::WebM}) {
    const FormatCase& f = Formats[format == VideoFormat::Mp4 ? 0 : 1];
    double differences[2];
    for (bool full : {false, true}) {
      SCOPED_TRACE(std::string(f.extension) + (full ? " 4:4:4" : " 4:2:0"));
      settings.fullChroma = full;
      const std::string name =
          dir.file(std::string(full ? "full." : "half.") + f.extension);
      const Written w = writeVideo(format, name, 2, settings);
      ASSERT_TRUE(w.ok) << w.err;
      const DecodedVideo video = decodeVideoFile(w.name);
      ASSERT_EQ(video.frames.size(), 2u);
      EXPECT_EQ(video.pixelFormat, full ? "yuv444p" : "yuv420p");
      EXPECT_EQ(video.primaries, AVCOL_PRI_BT709);
      EXPECT_EQ(video.transfer, AVCOL_TRC_BT709);
      EXPECT_EQ(video.matrix, AVCOL_SPC_BT709);
      EXPECT_EQ(video.range, AVCOL_RANGE_MPEG);
      for (int shift : {16, 8, 0})
        EXPECT_NEAR(channelMean(video.frames[0], shift),
                    channelMean(pixels, shift), 3.0)
            << "channel shifted by " << shift;
      differences[full] = pixelDifference(video.frames[0], pixels);
    }
    EXPECT_LT(differences[1], differences[0]) << f.extension;
  }
}

TEST(VideoFileTest, SameFramesGiveTheSameBytes) {
  TempDir dir;
  VideoSettings settings;
  settings.width = 64;
  settings.height = 48;
  settings.embeddedText = Recipe;
  for (const FormatCase& f : Formats) {
    SCOPED_TRACE(f.extension);
    const Written a = writeVideo(f.format, nameFor(dir, f, "a"), 3, settings);
    const Written b = writeVideo(f.format, nameFor(dir, f, "b"), 3, settings);
    ASSERT_TRUE(a.ok && b.ok) << a.err << b.err;
    EXPECT_TRUE(contents(a.name) == contents(b.name));
  }
}

TEST(VideoFileTest, OddSidesAreEvenedForH264Only) {
  TempDir dir;
  VideoSettings settings;
  settings.width = 33;
  settings.height = 21;
  const Written mp4 = writeVideo(VideoFormat::Mp4, dir.file("o.mp4"), 2,
                                 settings);
  ASSERT_TRUE(mp4.ok) << mp4.err;
  EXPECT_EQ(mp4.err, "marl: warning: '" + mp4.name +
                         "': H.264 needs even sides: the last odd column or "
                         "row is left out\n");
  const DecodedVideo video = decodeVideoFile(mp4.name);
  EXPECT_EQ(video.width, 32);
  EXPECT_EQ(video.height, 20);
  const Written webm = writeVideo(VideoFormat::WebM, dir.file("o.webm"), 2,
                                  settings);
  ASSERT_TRUE(webm.ok) << webm.err;
  EXPECT_EQ(webm.err, "");
  EXPECT_EQ(decodeVideoFile(webm.name).width, 33);
}

TEST(VideoFileTest, NeverReplacesAFileAndLeavesNothingOnFailure) {
  TempDir dir;
  const std::string taken = dir.file("t.mp4");
  std::ofstream(taken) << "old";
  const Written w = writeVideo(VideoFormat::Mp4, taken, 2);
  ASSERT_TRUE(w.ok) << w.err;
  EXPECT_EQ(w.name, dir.file("t-2.mp4"));
  EXPECT_EQ(w.err, "marl: warning: '" + taken + "' exists; wrote '" + w.name +
                       "' instead\n");
  EXPECT_EQ(contents(taken), "old");

  // A frame of the wrong size, a file given up half-way, no frames at all.
  std::ostringstream err;
  {
    VideoFile video(VideoFormat::WebM, err);
    VideoSettings settings;
    settings.width = 16;
    settings.height = 16;
    ASSERT_TRUE(video.begin(dir.file("w.webm"), settings));
    MemoryRows narrow = marl_test::rowsOf(paintFrame(8, 16, 0));
    EXPECT_FALSE(video.addFrame(narrow));
    EXPECT_FALSE(video.finish());
    VideoFile abandoned(VideoFormat::Gif, err);
    ASSERT_TRUE(abandoned.begin(dir.file("h.gif"), settings));
    MemoryRows frame = marl_test::rowsOf(paintFrame(16, 16, 0));
    EXPECT_TRUE(abandoned.addFrame(frame));
    VideoFile empty(VideoFormat::WebP, err);
    ASSERT_TRUE(empty.begin(dir.file("e.webp"), settings));
    EXPECT_FALSE(empty.finish());
  }
  EXPECT_EQ(err.str(),
            "marl: error: cannot write '" + dir.file("w.webm") +
                "': frame 0 is not 16 x 16\n"
                "marl: error: cannot write '" + dir.file("e.webp") +
                "': no frames to write\n");
  EXPECT_EQ(dir.entries(), (std::vector<std::string>{"t-2.mp4", "t.mp4"}));

  err.str("");
  VideoFile missing(VideoFormat::Mp4, err);
  VideoSettings settings;
  settings.width = 16;
  settings.height = 16;
  EXPECT_FALSE(missing.begin(dir.file("absent/m.mp4"), settings));
  EXPECT_EQ(err.str(), "marl: error: cannot write '" +
                           dir.file("absent/m.mp4") +
                           "': No such file or directory\n");
}

// A full disk, as a file-size limit: the write fails, is said, and no file
// is left, temporary or final, whichever library did the writing.
TEST(VideoFileTest, FullDiskIsAnErrorWithoutAFile) {
  TempDir dir;
  const auto previousHandler = signal(SIGXFSZ, SIG_IGN);
  rlimit previous{};
  getrlimit(RLIMIT_FSIZE, &previous);
  VideoSettings settings;
  settings.width = 160;
  settings.height = 160;
  for (const FormatCase& f : Formats) {
    rlimit limit = previous;
    limit.rlim_cur = 20000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    const Written w = writeVideo(f.format, nameFor(dir, f), 4, settings);
    setrlimit(RLIMIT_FSIZE, &previous);
    EXPECT_FALSE(w.ok) << f.extension;
    EXPECT_EQ(w.err.rfind("marl: error: cannot write '" + nameFor(dir, f) +
                              "': ",
                          0),
              0u)
        << w.err;
  }
  signal(SIGXFSZ, previousHandler);
  EXPECT_TRUE(dir.entries().empty());
}

// Cut anywhere, a video gives its whole recipe or none, never a part.
TEST(VideoFileTest, CutVideosGiveTheWholeRecipeOrNone) {
  TempDir dir;
  VideoSettings settings;
  settings.embeddedText = Recipe;
  for (const FormatCase& f : Formats) {
    const Written w = writeVideo(f.format, nameFor(dir, f), 2, settings);
    ASSERT_TRUE(w.ok) << w.err;
    const std::string bytes = contents(w.name);
    for (std::size_t cut = 0; cut < bytes.size(); cut += bytes.size() / 7) {
      std::ofstream(dir.file("cut"), std::ios::binary) << bytes.substr(0, cut);
      const EmbeddedTextResult r = readEmbeddedText(dir.file("cut"));
      if (r.status == EmbeddedTextResult::Found) {
        EXPECT_EQ(r.texts, std::vector<std::string>{Recipe}) << f.extension << " cut at " << cut;
      } else if (cut >= 16) {
        EXPECT_EQ(r.format, f.textFormat) << r.reason;
      }
    }
  }
}

}  // namespace
}  // namespace marl
