// A video's frames as rows: translucent ones over black, 16-bit ones
// refused; and the file synced before its name, as a picture is.
#include "video/video_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "support/decoded_video.h"
#include "support/memory_rows.h"
#include "support/sync_calls.h"
#include "support/temp_dir.h"
#include "support/video_writing.h"

namespace marl {
namespace {

namespace fs = std::filesystem;
using marl_test::contents;
using marl_test::decodeVideoFile;
using marl_test::FormatCase;
using marl_test::Formats;
using marl_test::MemoryRows;
using marl_test::nameFor;
using marl_test::onePass;
using marl_test::Pixels;
using marl_test::TempDir;
using marl_test::writeVideo;
using marl_test::Written;

// Translucent rows show over black, each channel c * a / 255 rounded to
// nearest, in every format: the same bytes as the flattened frame's. GIF
// keeps the exact colours, so they are checked pixel by pixel too.
TEST(VideoRowsTest, AlphaInTheRowsShowsOverBlack) {
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
TEST(VideoRowsTest, DeepFramesAreRefused) {
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
TEST(VideoDurabilityTest, DataIsSyncedBeforeTheRenameAndTheFolderAfter) {
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
      // Unnamed in the folder where the file system allows it, linked by
      // its /proc path; otherwise named beside the name and renamed.
      const bool unnamed =
          calls[0].rfind("fsync file " + folder + "/#", 0) == 0;
      if (!unnamed) {
        ASSERT_EQ(calls[0].rfind("fsync file " + name + ".tmp-", 0), 0u)
            << calls[0];
      }
      const std::string temporary = calls[0].substr(11);
      if (std::string(failing) == "fsync file") {
        EXPECT_EQ(calls.size(), 1u);
        EXPECT_EQ(w.err, "marl: error: cannot write '" + name +
                             "': Input/output error\n");
        EXPECT_TRUE(dir.entries().empty());
        continue;
      }
      ASSERT_EQ(calls.size(), 3u);
      if (unnamed) {
        EXPECT_EQ(calls[1].rfind("link /proc/self/fd/", 0), 0u) << calls[1];
        EXPECT_EQ(calls[1].substr(calls[1].size() - name.size() - 1),
                  " " + name);
      } else {
        EXPECT_EQ(calls[1], "rename " + temporary + " " + name);
      }
      EXPECT_EQ(calls[2], "fsync folder " + folder);
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
