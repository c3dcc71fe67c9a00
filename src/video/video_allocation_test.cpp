// Memory running out while a two-frame video is written in each format and
// its recipe read back: every attempt fails cleanly, leaves no file behind,
// and frees every library handle, which the sanitizer build's leak checker
// confirms. FFmpeg, giflib and libwebp allocate with malloc, never operator
// new, so failing operator new reaches only our own code around them;
// FFmpeg's allocations are made to fail too, by size, with av_max_alloc.
#include <gtest/gtest.h>

#include <climits>
#include <cstddef>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/mem.h>
}

#include "readers/embedded_text.h"
#include "video/video_file.h"
#include "video/video_module.h"
#include "support/failing_allocation.h"
#include "support/memory_rows.h"
#include "support/temp_dir.h"

namespace marl {
namespace {

using marl_test::failEachAllocation;
using marl_test::noLeaks;
using marl_test::TempDir;

const std::string Recipe = "recipe\nline\n";

// With few colour steps GIF indexes the frame exactly, with many it
// quantises.
marl_test::MemoryRows painted(int width, int height, int colourSteps) {
  marl_test::Pixels bitmap = marl_test::blankPixels(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      bitmap.at(x, y) = 0xFF000000u | uint32_t(x % colourSteps * 9) << 16 |
                        uint32_t(y * 7 % colourSteps * 5) << 8 | 0x40u;
  return marl_test::rowsOf(bitmap);
}

// Keeps what is written to it in a fixed buffer: a string stream would need
// memory for a report, and lose it silently when there is none, as a
// terminal does not.
class FixedStream : public std::ostream {
 public:
  FixedStream() : std::ostream(&buffer_) {}
  std::string text() const { return buffer_.text(); }

 private:
  struct Buffer : std::streambuf {
    Buffer() { setp(bytes, bytes + sizeof bytes); }
    std::string text() const { return std::string(pbase(), pptr()); }
    char bytes[4096];
  } buffer_;
};

// Whether the video was written to `name`; when not, that nothing is left
// in `dir`, its folder.
bool writeVideo(VideoFormat format, const std::string& name, const TempDir& dir,
                const std::vector<marl_test::MemoryRows*>& frames,
                const std::string& what) {
  FixedStream err;
  bool ok = false;
  {
    VideoFile video(format, err);
    VideoSettings settings;
    settings.width = frames[0]->shape().width;
    settings.height = frames[0]->shape().height;
    settings.embeddedText = Recipe;
    settings.h264Preset = "ultrafast";
    EXPECT_NO_THROW({
      ok = video.begin(name, settings);
      for (marl_test::MemoryRows* frame : frames)
        ok = ok && video.addFrame(*frame);
      ok = ok && video.finish();
    }) << what;
  }
  if (!ok) {
    EXPECT_NE(err.text().find("marl: error: cannot write '"), std::string::npos)
        << what << ": " << err.text();
    EXPECT_TRUE(dir.entries().empty())
        << what << ": " << dir.entries()[0] << "\n"
        << err.text();
  }
  return ok;
}

TEST(VideoAllocationTest, EveryFailedAllocationFreesTheHandlesAndTheFile) {
  // Odd sides, so that H.264 leaves a column and a row out with a warning.
  marl_test::MemoryRows first = painted(17, 11, 3);
  marl_test::MemoryRows second = painted(17, 11, 40);
  const std::vector<marl_test::MemoryRows*> frames = {&first, &second};
  // The video module is loaded once a process, by the first MP4 or WebM:
  // loaded here, so that every run counted makes the same allocations.
  std::string error;
  ASSERT_NE(videoModule(error), nullptr) << error;
  for (const VideoFormatInfo& info : videoFormats()) {
    const std::string what = info.word;
    TempDir dir;
    const std::string name = dir.file("v." + std::string(info.extension));
    EXPECT_GT(
        failEachAllocation(
            what, true,
            [&] { return writeVideo(info.format, name, dir, frames, what); }),
        0)
        << what;
    const bool ffmpeg =
        info.format == VideoFormat::Mp4 || info.format == VideoFormat::WebM;
    if (!ffmpeg) continue;
    failEachAllocation(what + " read", false, [&] {
      return readEmbeddedText(name).texts == std::vector<std::string>{Recipe};
    });
    // Then with FFmpeg's own allocations failing above a size, from where
    // all goes well down to where nothing can be started. Coarser than the
    // above (the first allocation over the limit decides), but it reaches
    // the handles held when FFmpeg runs out: an opened encoder among them.
    int failures = 0;
    for (std::size_t limit = 1 << 20; limit >= 64; limit /= 4) {
      const std::string under = what + " under " + std::to_string(limit);
      av_max_alloc(limit);
      const EmbeddedTextResult read = readEmbeddedText(name);
      TempDir other;
      const bool written = writeVideo(
          info.format, other.file("v." + std::string(info.extension)), other,
          frames, under);
      av_max_alloc(INT_MAX);
      if (read.status == EmbeddedTextResult::Found)
        EXPECT_EQ(read.texts, std::vector<std::string>{Recipe}) << under;
      else
        EXPECT_FALSE(read.reason.empty()) << under;
      failures += !written;
    }
    EXPECT_GT(failures, 0) << what;
  }
  EXPECT_TRUE(noLeaks());
}

}  // namespace
}  // namespace marl
