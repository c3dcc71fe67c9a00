#ifndef MARL_TESTS_SUPPORT_DECODED_VIDEO_H_
#define MARL_TESTS_SUPPORT_DECODED_VIDEO_H_

#include <cstdint>
#include <string>
#include <vector>

namespace marl_test {

// A video read back with the format's own decoder library: FFmpeg for MP4
// and WebM, giflib for GIF, libwebp's animation decoder for WebP.
struct DecodedVideo {
  int width = 0;  // 0 when the file cannot be decoded
  int height = 0;
  // Every frame as 0xFFRRGGBB pixels, row by row; MP4 and WebM frames are
  // converted with the matrix and range the stream is tagged with.
  std::vector<std::vector<uint32_t>> frames;
  std::string codec;        // FFmpeg's codec name, or "gif", "webp"
  std::string pixelFormat;  // MP4, WebM: FFmpeg's name for it
  int frameRateNum = 0;     // MP4, WebM: the stream's average rate
  int frameRateDen = 0;
  int primaries = -1, transfer = -1, matrix = -1, range = -1;  // AVCOL_*
  int loopCount = -1;                // GIF, WebP: 0 is forever; -1 none
  std::vector<int> durationsMs;      // GIF, WebP: each frame's
};

// Decodes by the file's extension (mp4, webm, gif, webp).
DecodedVideo decodeVideoFile(const std::string& path);

// The mean of one channel (shift 16 red, 8 green, 0 blue) of 0xRRGGBB
// pixels, to compare a decoded frame's colour with its source.
double channelMean(const std::vector<uint32_t>& pixels, int shift);

}  // namespace marl_test

#endif  // MARL_TESTS_SUPPORT_DECODED_VIDEO_H_
