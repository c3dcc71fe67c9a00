#ifndef MARL_TESTS_SUPPORT_VIDEO_WRITING_H_
#define MARL_TESTS_SUPPORT_VIDEO_WRITING_H_

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>

#include "support/memory_rows.h"
#include "support/temp_dir.h"
#include "video/video_file.h"

// Frames like a rendered loop's and videos written from them, for the
// video room's tests.
namespace marl_test {

// Markup, a carriage return, UTF-8 and a line without an end: all must
// come back byte for byte.
inline const std::string Recipe =
    "\\ made by marl\ndetail=6\r\nname=a&b<c>\xC3\xA9t\xC3\xA9\nframes=5";

// A gradient of 200 saturated colours, since a wrong matrix shows most on
// those, over which a blob moves and grain sparkles independently in
// each frame, as in a rendered loop.
constexpr int GradientColours = 200;
inline uint32_t gradientColour(int k) {
  const double t = double(k) / (GradientColours - 1);
  const auto channel = [](double v) {
    return uint32_t(std::lround(255.0 * std::clamp(v, 0.0, 1.0)));
  };
  return 0xFF000000u | channel(1.5 - 2.0 * t) << 16 |
         channel(1.0 - std::fabs(2.0 * t - 1.0) * 1.2) << 8 |
         channel(2.0 * t - 0.5);
}

inline Pixels paintFrame(int width, int height, int index,
                         int colours = GradientColours) {
  Pixels bitmap = blankPixels(width, height);
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
inline MemoryRows onePass(const Pixels& pixels) {
  MemoryRows rows = rowsOf(pixels);
  return MemoryRows(pixels.width, pixels.height,
                    marl::readWholePicture(rows), false, rows.shape().alpha);
}

inline std::string contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Written {
  bool ok = false;
  std::string name;
  std::string err;
};

// Writes `frames` frames of paintFrame; the settings' size is 64 x 48
// unless given.
inline Written writeVideo(marl::VideoFormat format,
                          const std::string& fileName, int frames,
                          marl::VideoSettings settings = {},
                          int colours = GradientColours) {
  if (settings.width == 0) {
    settings.width = 64;
    settings.height = 48;
  }
  std::ostringstream err;
  marl::VideoFile video(format, err);
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
  marl::VideoFormat format;
  const char* extension;
  const char* codec;
  const char* textFormat;
};
inline const FormatCase Formats[] = {
    {marl::VideoFormat::Mp4, "mp4", "h264", "MP4"},
    {marl::VideoFormat::WebM, "webm", "vp9", "WebM"},
    {marl::VideoFormat::Gif, "gif", "gif", "GIF"},
    {marl::VideoFormat::WebP, "webp", "webp", "WebP"},
};

inline std::string nameFor(const TempDir& dir, const FormatCase& f,
                           const char* base = "loop") {
  return dir.file(std::string(base) + "." + f.extension);
}

}  // namespace marl_test

#endif  // MARL_TESTS_SUPPORT_VIDEO_WRITING_H_
