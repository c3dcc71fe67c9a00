#ifndef MARL_ANIMATION_ANIMATION_JOB_H_
#define MARL_ANIMATION_ANIMATION_JOB_H_

#include <atomic>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>
#include <vector>
#include <string>

#include "animation/animation_settings.h"
#include "animation/coefficient_path.h"
#include "animation/path_check.h"
#include "attractor/torus_map.h"
#include "base/random_source.h"
#include "job/job_settings.h"
#include "job/output_names.h"

namespace marl {

class RowSource;
class PictureJob;
class VideoFile;

// Where an animation reports its work, for a progress display; any may be
// null.
struct FrameCounters {
  std::atomic<int>* framesDone = nullptr;
  std::atomic<int64_t>* steps = nullptr;
  // The steps of frames found made already, which will not be taken.
  std::atomic<int64_t>* skippedSteps = nullptr;
};

// Makes one animation: the frames of a closed path through coefficient
// space that starts at the job's map. prepare() takes the job's draws and
// fill check as a picture would (with its console lines), then draws the
// loop's plane and judges the path; makeFrames() makes the frames of the
// range, each a PictureJob of its own with every value given, so that
// frames made by different processes, in any order, are the same bytes.
class AnimationJob {
 public:
  // Attempts at a loop's plane before the best one is kept anyway.
  static constexpr int MaxPlaneDraws = 8;

  AnimationJob(const JobSettings& settings, const AnimationSettings& animation,
               std::ostream& out, std::ostream& err);
  ~AnimationJob();

  void countInto(const FrameCounters& counters) { counters_ = counters; }

  // False when the animation cannot go on (reported on `err`).
  bool prepare(RandomSource& random, std::time_t now);
  // False when a frame was not written (reported on `err`). A frame whose
  // files hold its recipe already is left alone, with a note on `err`.
  bool makeFrames();

  // The loop's plane; empty for a morph.
  const std::optional<uint32_t>& plane() const { return plane_; }

 private:
  // The settings every frame shares: the job's drawn values, given.
  void takeValuesOf(const PictureJob& job);
  // `start` is the job's map at its start point.
  void choosePath(RandomSource& random, const TorusMap& start);
  void chooseLoop(RandomSource& random, const TorusMap& start);
  PathVerdict judge(const CoefficientPath& path, const TorusMap& start) const;
  // The frame nearest to t, for messages.
  int32_t frameAt(double t) const;
  std::string keyframeName(int32_t key) const;
  // The animation's own recipe lines.
  std::string recipeLines() const;
  struct Frame;
  std::unique_ptr<Frame> newFrame(int32_t index) const;
  // Runs one step of the frame's job; what it throws is that frame's
  // failure, reported in its text.
  static bool guarded(Frame& frame,
                      const std::function<bool(PictureJob&)>& step);
  // Shows the frame's diagnostics and, when written, its line.
  void report(Frame& frame, bool written);
  bool madeAlready(const PictureJob& frame) const;
  // The videos asked for, begun before the first frame; false when one
  // cannot be (reported).
  bool startVideos();
  // The size of every frame picture: the cut the settings ask for.
  int frameWidth() const;
  int frameHeight() const;
  // Adds the next frame to every video; a video that fails sets
  // videoFailed_ and has reported its error.
  void feedVideos(RowSource& frame);
  // Reads a frame made already back for the videos; false (with a note)
  // when it cannot be, and the frame is to be made again for them.
  bool feedVideosFrom(const OutputNames& names);
  // Finishes the videos when every frame went in; otherwise drops them.
  bool finishVideos(bool allFrames);
  // Moves what the videos reported, on whichever thread, to `err_`.
  void showVideoErrors();

  const JobSettings settings_;
  const AnimationSettings animation_;
  std::ostream& out_;
  std::ostream& err_;
  FrameCounters counters_;
  JobSettings frame_;
  Coefficients start_;
  std::optional<CoefficientPath> path_;
  std::optional<uint32_t> plane_;
  std::ostringstream videoErr_;
  std::vector<std::unique_ptr<VideoFile>> videos_;
  bool videoFailed_ = false;  // reported as it happened
};

// Digits of the frame index in file names: at least 4, and as many as the
// last index of `frames` needs.
int32_t frameDigits(int32_t frames);

}  // namespace marl

#endif  // MARL_ANIMATION_ANIMATION_JOB_H_
