#include "video/video_format.h"

#include <algorithm>
#include <cctype>

#include "base/escaped_text.h"

namespace marl {

namespace {

std::string trimmedLowerCase(const std::string& text) {
  std::size_t from = 0, to = text.size();
  while (from < to && std::isspace(static_cast<unsigned char>(text[from])))
    ++from;
  while (to > from && std::isspace(static_cast<unsigned char>(text[to - 1])))
    --to;
  std::string word = text.substr(from, to - from);
  for (char& c : word)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return word;
}

}  // namespace

const std::vector<VideoFormatInfo>& videoFormats() {
  static const std::vector<VideoFormatInfo> formats = {
      {VideoFormat::Mp4, "mp4", "mp4"},
      {VideoFormat::WebM, "webm", "webm"},
      {VideoFormat::Gif, "gif", "gif"},
      {VideoFormat::WebP, "webp", "webp"},
  };
  return formats;
}

const VideoFormatInfo& videoFormatInfo(VideoFormat format) {
  for (const VideoFormatInfo& info : videoFormats())
    if (info.format == format) return info;
  return videoFormats().front();
}

std::vector<VideoFormat> parseVideoFormats(const std::string& value,
                                           std::ostream& err) {
  std::vector<bool> named(videoFormats().size(), false);
  std::size_t from = 0;
  while (from <= value.size()) {
    std::size_t comma = value.find(',', from);
    if (comma == std::string::npos) comma = value.size();
    const std::string raw = value.substr(from, comma - from);
    const std::string word = trimmedLowerCase(raw);
    from = comma + 1;
    if (word.empty()) continue;
    const auto& formats = videoFormats();
    const auto found =
        std::find_if(formats.begin(), formats.end(),
                     [&](const VideoFormatInfo& f) { return word == f.word; });
    if (found != formats.end()) {
      named[std::size_t(found - formats.begin())] = true;
    } else {
      err << "marl: warning: video=" << Escaped{value} << ": '" << Escaped{raw}
          << "' is no video format (mp4, webm, gif or webp); left out\n";
    }
  }
  std::vector<VideoFormat> chosen;
  for (std::size_t i = 0; i < named.size(); ++i)
    if (named[i]) chosen.push_back(videoFormats()[i].format);
  // An unset shell variable gives video= alone: say that no video comes.
  if (chosen.empty())
    err << "marl: warning: video=" << Escaped{value}
        << ": no video format named (mp4, webm, gif or webp); no video is "
           "made\n";
  return chosen;
}

}  // namespace marl
