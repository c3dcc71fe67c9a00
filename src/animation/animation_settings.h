#ifndef MARL_ANIMATION_ANIMATION_SETTINGS_H_
#define MARL_ANIMATION_ANIMATION_SETTINGS_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "video/video_encoder.h"
#include "video/video_format.h"

namespace marl {

// What the user asked of every animation of a run, with the limits already
// applied; the pictures' own settings are a JobSettings beside it. The path
// is a loop around the job's map unless keyframes are given.
struct AnimationSettings {
  // The loop's radius as a share of the norm of the coefficient block:
  // visible, smooth motion at 120 frames (README, Animation).
  static constexpr double DefaultLoopRadius = 0.02;
  static constexpr int32_t MaxFrames = 999999;

  int32_t frames = 2;  // at least 2
  // The frames to make: first..last, within 0..frames - 1.
  int32_t first = 0;
  int32_t last = 1;

  double loopRadius = DefaultLoopRadius;
  // The loop's plane; drawn when not given.
  std::optional<uint32_t> plane;

  // A morph: the coefficient blocks of the keyframes after the job's own
  // map, and what warnings call each ("b.jpg", or "keyframe 2").
  std::vector<std::vector<double>> keyframes;
  std::vector<std::string> keyframeNames;

  // The videos of each animation, made when the run covers every frame,
  // their frame rate, and whether the frames are kept as pictures too.
  static constexpr int MinFps = 1;
  static constexpr int MaxFps = 120;
  std::vector<VideoFormat> videos;
  int fps = 30;
  bool keepFrames = true;
  // The encoders' choices (quality, preset, chroma); the frame size, rate
  // and text are filled in per animation.
  VideoSettings encoding;

  bool isMorph() const { return !keyframes.empty(); }
  bool coversEveryFrame() const { return first == 0 && last == frames - 1; }
};

}  // namespace marl

#endif  // MARL_ANIMATION_ANIMATION_SETTINGS_H_
