#ifndef MARL_ANIMATION_ANIMATION_JOB_H_
#define MARL_ANIMATION_ANIMATION_JOB_H_

#include <atomic>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>

#include "animation/animation_console.h"
#include "animation/animation_path.h"
#include "animation/animation_settings.h"
#include "animation/frame_videos.h"
#include "base/random_source.h"
#include "job/catalogue_line.h"
#include "job/job_settings.h"
#include "job/picture_plan.h"

namespace marl {

// Where an animation reports its work, for a progress display; any may be
// null.
struct FrameCounters {
  std::atomic<int>* framesDone = nullptr;
  std::atomic<int64_t>* steps = nullptr;
  // The steps of frames found made already, which will not be taken.
  std::atomic<int64_t>* skippedSteps = nullptr;
};

// Makes one animation: the frames of a closed path through coefficient
// space that starts at the job's map. prepare() prepares the job's picture
// as a still (its draws, echo and fill check), then chooses the path;
// makeFrames() makes the frames of the range, each the job's plan with its
// map moved along the path, counted, coloured and written as a picture's,
// so that frames made by different processes, in any order, are the same
// bytes.
class AnimationJob {
 public:
  // Lists a picture the animation made, in frame order on the thread of
  // makeFrames: each frame written, with its files, then the videos. False
  // when it is not listed (told): the animation then fails.
  using PictureListing =
      std::function<bool(const PicturePlan&, const CatalogueEntry&)>;

  AnimationJob(const JobSettings& settings, const AnimationSettings& animation,
               AnimationConsole& console);
  ~AnimationJob();

  void countInto(const FrameCounters& counters) { counters_ = counters; }
  void listInto(PictureListing listing) { listing_ = std::move(listing); }

  // False when the animation cannot go on (told).
  bool prepare(RandomSource& random, std::time_t now);
  // False when a frame was not written (told). A frame whose files hold its
  // recipe already and decode whole is left alone, with a note; one another
  // process on this machine is making (its claim, files/name_claim.h) is
  // waited for and then found made.
  bool makeFrames();

 private:
  struct Frame;
  // Counts the frame's hits; its failure, or what it throws, is told in
  // the frame's text.
  bool countFrame(Frame& frame) const;
  // The frame's colours and pictures, on a thread of their own; the frame
  // before has reached the videos already.
  bool writeFrame(Frame& frame);
  // Shows the frame's diagnostics and, when written, its line, and lists
  // it; false when it was not written or not listed.
  bool report(Frame& frame, bool written);
  bool madeAlready(const PicturePlan& frame) const;

  const JobSettings settings_;
  const AnimationSettings animation_;
  AnimationConsole& console_;
  FrameCounters counters_;
  PictureListing listing_;
  // The job's plan, every frame's starting point.
  std::optional<PicturePlan> plan_;
  std::optional<AnimationPath> path_;
  FrameVideos videos_;
};

}  // namespace marl

#endif  // MARL_ANIMATION_ANIMATION_JOB_H_
