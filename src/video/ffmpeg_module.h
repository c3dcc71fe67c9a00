#ifndef MARL_VIDEO_FFMPEG_MODULE_H_
#define MARL_VIDEO_FFMPEG_MODULE_H_

#include <memory>

#include "video/video_module.h"

// What the video module is built from; nothing outside it includes this.

namespace marl {

// The MP4 or WebM encoder; nullptr for another format.
std::unique_ptr<VideoEncoder> makeFfmpegEncoder(VideoFormat format);

// VideoModule::readComment.
MediaComment readFfmpegComment(MediaInput& input, const char* demuxer);

}  // namespace marl

#endif  // MARL_VIDEO_FFMPEG_MODULE_H_
