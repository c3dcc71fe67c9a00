#include "job/picture_limits.h"

#include <gtest/gtest.h>

namespace marl {
namespace {

JobSettings settingsOf(uint32_t side, std::optional<uint32_t> width,
                       std::optional<uint32_t> height, const char* format,
                       bool quazi = false) {
  JobSettings s;
  s.side = side;
  s.width = width;
  s.height = height;
  s.format = findFormat(format);
  s.quazi = quazi;
  return s;
}

TEST(PictureLimitsTest, SidesBeyondAFormatOrCairoAreNamed) {
  struct Case {
    JobSettings settings;
    const char* problem;  // the start of the error text; "" for none
  } const cases[] = {
      {settingsOf(1201, {}, {}, "jpeg"), ""},
      {settingsOf(65535, 4000, 3000, "jpeg"), ""},  // a cut of a large torus
      {settingsOf(20000, 32767, 100, "tiff", true), ""},
      // Beyond Cairo's side: written from the grid band by band.
      {settingsOf(40000, {}, {}, "tiff"), ""},
      {settingsOf(200, 200, 65535, "bmp"), ""},
      {settingsOf(65535, {}, {}, "jpeg"), "size=65535 is too large for JPEG"},
      {settingsOf(200, 65501, 100, "jpeg"), "width=65501 is too large for JPEG"},
      {settingsOf(40000, 100, 100, "gif", true),
       "size=40000 is too large: with quazi=true"},
      // BMP's 32-bit file size: rows of 37837 pixels take 113512 bytes,
      // of 37838 113516, and of 65535 196608.
      {settingsOf(37837, {}, {}, "bmp"), ""},
      {settingsOf(37838, {}, {}, "bmp"),
       "a 37838 x 37838 picture is too large for BMP (its file would pass "
       "4 GiB); give a smaller size or another image type"},
      {settingsOf(200, 65535, 21845, "bmp"), ""},
      {settingsOf(200, 65535, 21846, "bmp"),
       "a 65535 x 21846 picture is too large for BMP (its file would pass "
       "4 GiB); give a smaller size, width or height, or another image type"},
  };
  for (const Case& c : cases) {
    const std::string why = pictureSideProblem(c.settings);
    EXPECT_EQ(why.substr(0, std::string(c.problem).size()), c.problem) << why;
    EXPECT_EQ(why.empty(), *c.problem == '\0') << why;
  }
  // A tiling picture wider than Cairo's surfaces is painted in bands; only
  // the file format limits it.
  JobSettings tiling = settingsOf(500, {}, {}, "png", true);
  tiling.qsize = 65535;
  EXPECT_EQ(pictureSideProblem(tiling), "");
  tiling.format = findFormat("jpeg");
  EXPECT_EQ(pictureSideProblem(tiling).rfind("qsize=65535 is too large for JPEG", 0),
            0u);
}

TEST(PictureLimitsTest, AFormatsOwnLimitIsNamed) {
  // A format of a smaller limit shows the error a JPEG past 65500 gives.
  EXPECT_EQ(findFormat("jpeg")->maxSide, 65500u);
  const ImageFormat small{"small", {}, "sml", nullptr, "Small", 8, false,
                          false, 1000};
  JobSettings s = settingsOf(800, 2000, {}, "jpeg");
  s.format = &small;
  EXPECT_EQ(pictureSideProblem(s),
            "width=2000 is too large for Small pictures, which are at most "
            "1000 pixels a side; give width=1000 or less, or another image "
            "type");
  s.width = 1000;
  EXPECT_EQ(pictureSideProblem(s), "");
  EXPECT_EQ(pictureSideProblem(settingsOf(16384, {}, {}, "webp")),
            "size=16384 is too large for WebP pictures, which are at most "
            "16383 pixels a side; give size=16383 or less, or another image "
            "type");
  EXPECT_EQ(pictureSideProblem(settingsOf(20000, 16383, 300, "webp")), "");
  // A file size limit holds for the tiling picture too.
  ImageFormat sized = small;
  sized.maxSide = 65535;
  sized.fileBytes = [](uint64_t w, uint64_t h) { return 3 * w * h; };
  sized.maxFileBytes = (uint64_t(2) << 30) - 1;
  s = settingsOf(500, {}, {}, "jpeg", true);
  s.format = &sized;
  s.qsize = 26755;  // 3 x 26755^2 is just past 2 GiB
  EXPECT_EQ(pictureSideProblem(s),
            "a 26755 x 26755 picture is too large for Small (its file would "
            "pass 2 GiB); give a smaller qsize or another image type");
  s.qsize = 26754;
  EXPECT_EQ(pictureSideProblem(s), "");
}

TEST(PictureLimitsTest, MemoryNeedsBothFiguresWhenShort) {
  const JobSettings big = settingsOf(20000, {}, {}, "jpeg");
  // The grid alone is 20010^2 x 4 bytes; JPEG and TIFF take the picture in
  // bands, WebP whole.
  const uint64_t grid = uint64_t(20010) * 20010 * 4;
  EXPECT_LT(bytesNeeded(big), grid + (grid >> 6));
  EXPECT_LT(bytesNeeded(settingsOf(20000, {}, {}, "tiff")), grid + (grid >> 6));
  EXPECT_GT(bytesNeeded(settingsOf(20000, 16000, 16000, "webp")),
            grid + uint64_t(16000) * 16000 * 4);
  EXPECT_LT(bytesNeeded(settingsOf(1201, {}, {}, "jpeg")), uint64_t(20) << 20);
  // A tiling picture within one surface is whole; a wider one is bands.
  JobSettings tiling = settingsOf(1000, {}, {}, "png", true);
  tiling.qsize = 32000;
  EXPECT_GT(bytesNeeded(tiling), uint64_t(32000) * 32000 * 4);
  tiling.qsize = 40000;
  EXPECT_LT(bytesNeeded(tiling), uint64_t(1) << 30);
  // BMP streams like TIFF; GIF may quantise whole: three colour planes and
  // an index a pixel.
  const uint64_t tiff = bytesNeeded(settingsOf(20000, {}, {}, "tiff"));
  EXPECT_EQ(bytesNeeded(settingsOf(20000, {}, {}, "bmp")), tiff);
  EXPECT_EQ(bytesNeeded(settingsOf(20000, {}, {}, "gif")),
            tiff + uint64_t(20000) * 20000 * 4);
  const UsableMemory half{1ull << 30, "RLIMIT_AS"};
  EXPECT_EQ(memoryProblem(big, 1, half),
            "a picture of size=20000 needs about 1.6 GB of memory, but marl "
            "may use 1.1 GB (RLIMIT_AS); give a smaller size");
  EXPECT_EQ(memoryProblem(big, 1, UsableMemory{}), "");
  const JobSettings small = settingsOf(1000, {}, {}, "jpeg");
  const UsableMemory room{bytesNeeded(small) * 2, "MemAvailable"};
  EXPECT_EQ(memoryProblem(small, 2, room), "");
  EXPECT_NE(memoryProblem(small, 3, room).find("3 at once,"), std::string::npos);
  EXPECT_NE(memoryProblem(settingsOf(40000, 9000, 9000, "tiff"), 1, half)
                .find("(9000 x 9000) needs about 6.4 GB"),
            std::string::npos);
}

// The copy for checkpoints beside the orbit is a second grid a job, taken
// only where it fits beside everything else; without checkpoints there is
// none to fit.
TEST(PictureLimitsTest, ACheckpointCopyIsASecondGridThatMustFit) {
  JobSettings s = settingsOf(8000, {}, {}, "png");
  const uint64_t grid = uint64_t(8010) * 8010 * 4;
  const uint64_t need = bytesNeeded(s);
  const struct {
    double minutes;
    unsigned jobs;
    uint64_t usable;
    bool fits;
  } cases[] = {
      {0.0, 1, 0, true},
      {0.0, 3, need, true},
      {1.0, 1, need + grid, true},
      {1.0, 1, need + grid - 1, false},
      {1.0, 1, need, false},
      {1.0, 1, need / 2, false},  // not even the job: no wrap-around
      {1.0, 2, 2 * (need + grid), true},
      {1.0, 2, 2 * need + grid, false},
      {0.5, 1, UINT64_MAX, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.minutes) + " min, " +
                 std::to_string(c.jobs) + " jobs, " + std::to_string(c.usable));
    s.checkpointMinutes = c.minutes;
    EXPECT_EQ(checkpointCopyFits(s, c.jobs, UsableMemory{c.usable, "MemAvailable"}),
              c.fits);
  }
}

}  // namespace
}  // namespace marl
