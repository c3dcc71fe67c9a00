#ifndef MARL_DRIVER_ANIMATION_SETTINGS_READER_H_
#define MARL_DRIVER_ANIMATION_SETTINGS_READER_H_

#include <ostream>

#include "animation/animation_settings.h"
#include "driver/option_reader.h"
#include "job/job_settings.h"

namespace marl {

// The file type of frames when image= is not given. The one line to change
// once PNG is among the formats: frames are then PNG.
constexpr char DefaultFrameImage[] = "png";

enum class AnimationRead { Still, Animation, Failed };

// Reads the animation options (frames, loop, plane, morph or a recipe's
// keyframes, only, video, fps, keepframes) through `read` into `animation`
// when frames= is given, and gives the frames their own defaults in
// `settings`, whose other options are read already: fast mode, 50 hits per
// pixel of the grid and DefaultFrameImage, each unless given (on the
// command line, in a parameter file or in an animation's recipe; a still's
// recipe gives its still's values only). Without frames= the options of an
// animation are named in a warning and it is a still. An error (a morph
// keyframe that does not match the job's map or cannot be read, a range
// that is not one) or a refused value is reported: Failed, and nothing is
// to be made.
AnimationRead readAnimationSettings(OptionReader& read, JobSettings& settings,
                                    AnimationSettings& animation);

}  // namespace marl

#endif  // MARL_DRIVER_ANIMATION_SETTINGS_READER_H_
