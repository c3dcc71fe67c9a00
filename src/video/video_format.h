#ifndef MARL_VIDEO_VIDEO_FORMAT_H_
#define MARL_VIDEO_VIDEO_FORMAT_H_

#include <ostream>
#include <string>
#include <vector>

namespace marl {

enum class VideoFormat { Mp4, WebM, Gif, WebP };

// One video file format: the word a video= value names it by and the
// extension of its files (without the dot).
struct VideoFormatInfo {
  VideoFormat format;
  const char* word;
  const char* extension;
};

// Every format, in the order files are written.
const std::vector<VideoFormatInfo>& videoFormats();
const VideoFormatInfo& videoFormatInfo(VideoFormat format);

// The formats a video= value names, as comma-separated words ("mp4,gif"),
// in the table's order, each once. Letter case and spaces around a word do
// not matter. Each unknown word is left out with a warning on `err`
// naming it and the known ones; a value that names none (empty, say) warns
// that no video is made.
std::vector<VideoFormat> parseVideoFormats(const std::string& value,
                                           std::ostream& err);

}  // namespace marl

#endif  // MARL_VIDEO_VIDEO_FORMAT_H_
