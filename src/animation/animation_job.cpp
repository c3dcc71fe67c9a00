#include "animation/animation_job.h"

#include <chrono>
#include <exception>
#include <functional>
#include <future>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

#include "animation/frame_plan.h"
#include "base/escaped_text.h"
#include "files/name_claim.h"
#include "job/found_picture.h"
#include "job/hit_count.h"
#include "job/job_console.h"
#include "job/picture_colours.h"
#include "job/picture_files.h"
#include "job/picture_job.h"
#include "job/recipe.h"
#include "options/option_keys.h"

namespace marl {

// A frame and the text it tells, kept until the frames before it have
// shown theirs; its pictures may be written on a thread of their own.
struct AnimationJob::Frame {
  explicit Frame(PicturePlan framePlan) : plan(std::move(framePlan)) {}

  const PicturePlan plan;
  QuietConsole console;
  std::unique_ptr<HitCount> hits;
  std::future<bool> written;
  // Made again for the videos only: its files were there already.
  bool forVideosOnly = false;
  // Its files as written, and the share of its cells visited, to list it.
  std::vector<std::string> writtenNames;
  double cover = 0.0;
  // Held from the decision to make it until its files have their names.
  NameClaim claim;
};

namespace {

// Runs one stage of the frame; what it throws is that frame's failure,
// told in its text.
template <class AnyFrame>
bool guarded(AnyFrame& frame, const std::function<bool()>& stage) {
  try {
    return stage();
  } catch (const std::exception& e) {
    frame.console.error("cannot finish '", Escaped{frame.plan.names.fileName},
                        "': ", e.what());
    return false;
  }
}

}  // namespace

AnimationJob::AnimationJob(const JobSettings& settings,
                           const AnimationSettings& animation,
                           AnimationConsole& console)
    : settings_(settings), animation_(animation), console_(console) {}

AnimationJob::~AnimationJob() = default;

bool AnimationJob::prepare(RandomSource& random, std::time_t now) {
  std::optional<PreparedPicture> picture =
      preparePicture(settings_, random, now, console_, counters_.steps,
                     Finishing::PlanOnly);
  if (!picture) return false;
  // Only the plan goes on: every frame counts its own hits.
  picture->hits.reset();
  const PicturePlan& first = picture->plan;
  try {
    path_ = chooseAnimationPath(animation_, first.map, first.options.side,
                                first.options.threads, random, console_);
  } catch (const std::bad_alloc&) {
    console_.error("cannot allocate the hit grid for size=",
                   first.options.side,
                   " to check the animation's path: out of memory; give a "
                   "smaller size");
    return false;
  }
  std::string lines =
      recipeLinesOf(first) + animationRecipeLines(animation_, path_->plane);
  // A still's recipe leaves out filter=none, but frames filter by default.
  if (first.options.colour.filter == FilterKind::None)
    lines += std::string(key::Filter) + "=none\n";
  plan_ = animationPlan(std::move(picture->plan), animation_.frames, lines);
  return true;
}

bool AnimationJob::makeFrames() {
  if (!videos_.begin(animation_, *plan_, console_))
    return false;
  bool allWritten = true;
  // The frame before, whose pictures are being written while this one's
  // orbit runs: the writing (colouring, encoding) costs a frame no time.
  std::unique_ptr<Frame> writing;
  const auto reportWritten = [&] {
    if (!writing) return;
    allWritten &= report(*writing, writing->written.get());
    writing.reset();
    videos_.showErrors(console_);
  };
  for (int32_t index = animation_.first; index <= animation_.last; ++index) {
    auto frame = std::make_unique<Frame>(
        framePlan(*plan_, path_->path, index, animation_.frames));
    bool made = madeAlready(frame->plan);
    const std::string& name = frame->plan.names.fileName;
    if (!made) {
      if (!frame->claim.tryClaim(name)) {
        // A twin is making this frame: once it lets go, the frame is made
        // (or the twin died, and it is this run's to make).
        reportWritten();
        while (!frame->claim.tryClaim(name))
          std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
      // Looked at again under the claim: a twin may have finished it just
      // before.
      made = madeAlready(frame->plan);
    }
    if (made) reportWritten();
    if (made && (videos_.empty() ||
                 videos_.addFrom(frame->plan.names, console_))) {
      console_.note("'", Escaped{frame->plan.names.fileName},
                    "' holds this frame already; skipped");
      if (counters_.skippedSteps)
        *counters_.skippedSteps += plan_->options.iterationMaximum;
      if (counters_.framesDone) ++*counters_.framesDone;
      continue;
    }
    frame->forVideosOnly = made;
    const bool counted = countFrame(*frame);
    reportWritten();
    if (!counted) {
      report(*frame, false);
      allWritten = false;
      continue;
    }
    Frame* const f = frame.get();
    const auto write = [this, f] { return writeFrame(*f); };
    try {
      frame->written = std::async(std::launch::async, write);
    } catch (const std::system_error&) {
      frame->written = std::async(std::launch::deferred, write);  // no thread to spare
    }
    writing = std::move(frame);
  }
  reportWritten();
  std::vector<std::string> videoNames;
  bool finished = videos_.finish(allWritten, console_, &videoNames);
  if (listing_ && !videoNames.empty())
    finished &= listing_(*plan_, {videoNames, 1, std::nullopt, true});
  return finished && allWritten;
}

bool AnimationJob::countFrame(Frame& frame) const {
  return guarded(frame, [&] {
    frame.hits = countHits(frame.plan, frame.console, counters_.steps);
    return frame.hits != nullptr;
  });
}

bool AnimationJob::writeFrame(Frame& f) {
  const bool video = !videos_.empty();
  // Without videos the frames are the pictures asked for.
  const bool files = !video || (animation_.keepFrames && !f.forVideosOnly);
  return guarded(f, [&] {
    HitGrid& grid = f.hits->grid();
    const PictureColours colours = colourHits(f.plan, grid, video);
    if (files &&
        !writePictures(f.plan, grid, colours.files, f.console, &f.writtenNames))
      return false;
    if (listing_) f.cover = grid.filledFraction();
    if (!video) return true;
    GridRows rows = pictureRows(f.plan, grid, colours.video(), 8);
    videos_.add(rows);
    return true;
  });
}

bool AnimationJob::report(Frame& frame, bool written) {
  console_.diagnostics() << frame.console.takeDiagnostics();
  if (written && animation_.keepFrames && !frame.forVideosOnly) {
    console_.frameWritten(frame.plan.frame->index, animation_.frames,
                          frame.plan.names.fileName);
  }
  if (counters_.framesDone) ++*counters_.framesDone;
  if (written && listing_ && !frame.writtenNames.empty())
    written = listing_(frame.plan, {frame.writtenNames, 1, frame.cover});
  return written;
}

bool AnimationJob::madeAlready(const PicturePlan& frame) const {
  // Made only when whole: a cut or damaged file is made again, and
  // replaced as it is written.
  const auto holdsRecipe = [&](const std::string& name) {
    return judgeFoundFile(name, frame.recipe).kind ==
           FoundFile::Kind::Twin;
  };
  return holdsRecipe(frame.names.fileName) &&
         (!frame.tiling || holdsRecipe(frame.names.quaziFileName));
}

}  // namespace marl
