#ifndef MARL_VIDEO_FFMPEG_LOG_H_
#define MARL_VIDEO_FFMPEG_LOG_H_

#include <string>

namespace marl {

// Keeps FFmpeg's libraries (and the encoders they wrap, such as x264's
// information lines) from printing on standard error: this program's
// diagnostics are its own. Safe to call often and from several threads.
void silenceFfmpegLog();

// FFmpeg's text for one of its error codes.
std::string ffmpegErrorText(int code);

}  // namespace marl

#endif  // MARL_VIDEO_FFMPEG_LOG_H_
