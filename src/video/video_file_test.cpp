#include "video/video_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <random>
#include <sstream>

#include "readers/embedded_text.h"
#include "support/decoded_video.h"
#include "support/memory_rows.h"
#include "support/sync_calls.h"
#include "support/temp_dir.h"

extern "C" {
#include <libavutil/pixfmt.h>
}

namespace marl {
namespace {

namespace fs = std::filesystem;
using marl_test::DecodedVideo;
using marl_test::decodeVideoFile;
using marl_test::TempDir;
using marl_test::channelMean;
using marl_test::MemoryRows;
using marl_test::Pixels;

// Markup, a carriage return, UTF-8 and a line without an end: all must
// come back byte for byte.
const std::string Recipe =
    "\\ made by marl\ndetail=6\r\nname=a&b<c>\xC3\xA9t\xC3\xA9\nframes=5";

// A gradient of 200 saturated colours, since a wrong matrix shows most on
// those, over which a blob moves and grain sparkles independently in
// each frame, as in a rendered loop.
constexpr int GradientColours = 200;
uint32_t gradientColour(int k) {
  const double t = double(k) / (GradientColours - 1);
  const auto channel = [](double v) {
    return uint32_t(std::lround(255.0 * std::clamp(v, 0.0, 1.0)));
  };
  return 0xFF000000u | channel(1.5 - 2.0 * t) << 16 |
         channel(1.0 - std::fabs(2.0 * t - 1.0) * 1.2) << 8 |
         channel(2.0 * t - 0.5);
}

Pixels paintFrame(int width, int height, int index,
                  int colours = GradientColours) {
  Pixels bitmap = marl_test::blankPixels(width, height);
  std::mt19937 grain(index + 1);
  const double cx = width * (0.3 + 0.1 * index);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const double d = std::hypot(x - cx, y - height / 2.0);
      int k = int(d * 6) % colours;
      if (grain() % 4 == 0) k = int(grain() % colours);
      bitmap.at(x, y) = colours <= GradientColours
                            ? gradientColour(k)
                            : 0xFF000000u | uint32_t(k * 2654435761u) >> 8;
    }
  return bitmap;
}

// A frame's rows as the job hands them: RGB, read once top to bottom.
MemoryRows onePass(const Pixels& pixels) {
  MemoryRows rows = marl_test::rowsOf(pixels);
  return MemoryRows(pixels.width, pixels.height,
                    marl::readWholePicture(rows), false, rows.shape().alpha);
}

std::string contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Written {
  bool ok = false;
  std::string name;
  std::string err;
};

Written writeVideo(VideoFormat format, const std::string& fileName,
                   int frames, VideoSettings settings = {},
                   int colours = GradientColours) {
  if (settings.width == 0) {
    settings.width = 64;
    settings.height = 48;
  }
  std::ostringstream err;
  VideoFile video(format, err);
  Written w;
  w.ok = video.begin(fileName, settings);
  for (int i = 0; w.ok && i < frames; ++i) {
    MemoryRows frame =
        onePass(paintFrame(settings.width, settings.height, i, colours));
    w.ok = video.addFrame(frame);
  }
  w.ok = w.ok && video.finish(&w.name);
  w.err = err.str();
  return w;
}

struct FormatCase {
  VideoFormat format;
  const char* extension;
  const char* codec;
  const char* textFormat;
};
const FormatCase Formats[] = {
    {VideoFormat::Mp4, "mp4", "h264", "MP4"},
    {VideoFormat::WebM, "webm", "vp9", "WebM"},
    {VideoFormat::Gif, "gif", "gif", "GIF"},
    {VideoFormat::WebP, "webp", "webp", "WebP"},
};

std::string nameFor(const TempDir& dir, const FormatCase& f,
                    const char* base = "loop") {
  return dir.file(std::string(base) + "." + f.extension);
}

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
TEST(VideoFileTest, DecodedFrameKeepsTheMeanColour) {
  TempDir dir;
  VideoSettings settings;
  settings.width = 96;
  settings.height = 96;
  const std::vector<uint32_t> pixels = paintFrame(96, 96, 0).argb;
  for (VideoFormat format : {VideoFormat::Mp4, VideoFormat::WebM}) {
    const FormatCase& f = Formats[format == VideoFormat::Mp4 ? 0 : 1];
    SCOPED_TRACE(f.extension);
    const Written w = writeVideo(format, nameFor(dir, f), 2, settings);
    ASSERT_TRUE(w.ok) << w.err;
    const DecodedVideo video = decodeVideoFile(w.name);
    ASSERT_EQ(video.frames.size(), 2u);
    EXPECT_EQ(video.primaries, AVCOL_PRI_BT709);
    EXPECT_EQ(video.transfer, AVCOL_TRC_BT709);
    EXPECT_EQ(video.matrix, AVCOL_SPC_BT709);
    EXPECT_EQ(video.range, AVCOL_RANGE_MPEG);
    for (int shift : {16, 8, 0})
      EXPECT_NEAR(channelMean(video.frames[0], shift),
                  channelMean(pixels, shift), 3.0)
          << "channel shifted by " << shift;
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

// Translucent rows show over black, each channel c * a / 255 rounded to
// nearest, in every format: the same bytes as the flattened frame's. GIF
// keeps the exact colours, so they are checked pixel by pixel too.
TEST(VideoFileTest, AlphaInTheRowsShowsOverBlack) {
  TempDir dir;
  VideoSettings settings;
  settings.width = 6;
  settings.height = 4;
  // Alpha across the range, so the rounding shows: c * a / 255 is 100.39
  // for (200, 128), 0.78 for (200, 1), and never a half.
  const uint32_t alphas[] = {0, 1, 127, 128, 254, 255};
  Pixels translucent = marl_test::blankPixels(6, 4);
  Pixels flattened = marl_test::blankPixels(6, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) {
      const uint32_t a = alphas[x], r = 200, g = 255, b = uint32_t(y * 60);
      translucent.at(x, y) = a << 24 | r << 16 | g << 8 | b;
      const auto over = [a](uint32_t c) {
        return uint32_t(std::lround(double(c) * a / 255.0));
      };
      flattened.at(x, y) =
          0xFF000000u | over(r) << 16 | over(g) << 8 | over(b);
    }
  EXPECT_EQ(flattened.at(3, 0), 0xFF648000u);  // 200 * 128 / 255 = 100.39
  for (const FormatCase& f : Formats) {
    SCOPED_TRACE(f.extension);
    std::string names[2];
    const Pixels* frames[2] = {&translucent, &flattened};
    for (int k = 0; k < 2; ++k) {
      std::ostringstream err;
      VideoFile video(f.format, err);
      ASSERT_TRUE(video.begin(nameFor(dir, f, k ? "flat" : "alpha"), settings));
      for (int i = 0; i < 2; ++i) {
        MemoryRows rows = onePass(*frames[k]);
        ASSERT_EQ(rows.shape().alpha, k == 0);
        ASSERT_TRUE(video.addFrame(rows)) << err.str();
      }
      ASSERT_TRUE(video.finish(&names[k])) << err.str();
    }
    EXPECT_TRUE(contents(names[0]) == contents(names[1]));
    if (f.format == VideoFormat::Gif) {
      EXPECT_TRUE(decodeVideoFile(names[0]).frames[0] == flattened.argb);
    }
  }
}

// A video takes 8-bit rows only; a 16-bit frame fails the video.
TEST(VideoFileTest, DeepFramesAreRefused) {
  TempDir dir;
  VideoSettings settings;
  settings.width = 2;
  settings.height = 2;
  std::ostringstream err;
  {
    VideoFile video(VideoFormat::Gif, err);
    ASSERT_TRUE(video.begin(dir.file("d.gif"), settings));
    struct DeepRows : RowSource {
      PictureShape deep{2, 2, 16, false};
      const PictureShape& shape() const override { return deep; }
      void readRows(int, int count, unsigned char* out) override {
        std::fill_n(out, deep.rowBytes() * std::size_t(count), 0);
      }
    } deep;
    EXPECT_FALSE(video.addFrame(deep));
    EXPECT_FALSE(video.finish());
  }
  EXPECT_EQ(err.str(), "marl: error: cannot write '" + dir.file("d.gif") +
                           "': frame 0 is not 8 bits a sample, as a video's "
                           "frames are\n");
  EXPECT_TRUE(dir.entries().empty());
}

// A video is on the disk before its name is, and its name before it counts
// as written, whichever library wrote it; a failed sync fails the video.
TEST(VideoFileTest, DataIsSyncedBeforeTheRenameAndTheFolderAfter) {
  for (const FormatCase& f : Formats) {
    for (const char* failing : {"", "fsync file", "fsync folder"}) {
      SCOPED_TRACE(std::string(f.extension) + " failing: " + failing);
      TempDir dir;
      const std::string folder = fs::canonical(dir.path()).string();
      const std::string name = folder + "/v." + f.extension;
      {
        std::lock_guard<std::mutex> lock(sync_calls::mutex);
        sync_calls::calls.clear();
        sync_calls::failing = failing;
      }
      sync_calls::recording = true;
      const Written w = writeVideo(f.format, name, 2);
      sync_calls::recording = false;
      std::vector<std::string> calls;
      {
        std::lock_guard<std::mutex> lock(sync_calls::mutex);
        // Only the calls on this video's files: an encoder's threads sync
        // nothing else.
        for (const std::string& call : sync_calls::calls)
          if (call.find(folder) != std::string::npos) calls.push_back(call);
      }
      EXPECT_EQ(w.ok, *failing == '\0') << w.err;
      ASSERT_GE(calls.size(), 1u);
      const std::string prefix = "fsync file " + name + ".tmp-";
      ASSERT_EQ(calls[0].rfind(prefix, 0), 0u) << calls[0];
      const std::string temporary = calls[0].substr(11);
      if (std::string(failing) == "fsync file") {
        EXPECT_EQ(calls.size(), 1u);
        EXPECT_EQ(w.err, "marl: error: cannot write '" + name +
                             "': Input/output error\n");
        EXPECT_TRUE(dir.entries().empty());
        continue;
      }
      EXPECT_EQ(calls, (std::vector<std::string>{
                           calls[0], "rename " + temporary + " " + name,
                           "fsync folder " + folder}));
      EXPECT_EQ(dir.entries(),
                std::vector<std::string>{std::string("v.") + f.extension});
      if (*failing != '\0') {
        EXPECT_EQ(w.err, "marl: error: wrote '" + name +
                             "', but its folder cannot be synced, so a power "
                             "cut may lose it: Input/output error\n");
      }
    }
  }
  sync_calls::failing.clear();
}

}  // namespace
}  // namespace marl
