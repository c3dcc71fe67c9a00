#include "animation/animation_job.h"

#include <cmath>
#include <exception>
#include <functional>
#include <future>
#include <new>
#include <sstream>
#include <system_error>

#include "attractor/fast_orbits.h"
#include "attractor/run_control.h"
#include "base/escaped_text.h"
#include "job/picture_job.h"
#include "job/recipe.h"
#include "job/output_names.h"
#include "readers/embedded_text.h"
#include "readers/frame_reader.h"
#include "video/video_file.h"

namespace marl {

namespace {

// Exact steps between two shared start points, as a fast still spaces its.
constexpr int64_t StartSpacing = 256;

using StartPoints = std::vector<std::pair<double, double>>;

// FastOrbitStarts points of the exact orbit of `map` from its point, after
// the warm-up: every fast frame starts from these, settled onto its map.
std::shared_ptr<const StartPoints> startPointsOf(TorusMap map) {
  auto starts = std::make_shared<StartPoints>();
  for (int64_t i = 0; i <= WarmUpIterations; ++i) map.iterate();
  for (std::size_t k = 0; k < FastOrbitStarts; ++k) {
    for (int64_t i = 0; i < StartSpacing; ++i) map.iterate();
    starts->emplace_back(map.x, map.y);
  }
  return starts;
}

std::string percent(double share) {
  std::ostringstream text;
  text.precision(3);
  text << share * 100 << "%";
  return text.str();
}

}  // namespace

int32_t frameDigits(int32_t frames) {
  int32_t digits = 1;
  for (int32_t last = frames - 1; last >= 10; last /= 10) ++digits;
  return std::max(digits, 4);
}

AnimationJob::AnimationJob(const JobSettings& settings,
                           const AnimationSettings& animation,
                           std::ostream& out, std::ostream& err)
    : settings_(settings), animation_(animation), out_(out), err_(err) {}

AnimationJob::~AnimationJob() = default;

bool AnimationJob::prepare(RandomSource& random, std::time_t now) {
  PictureJob job(settings_, out_, err_);
  if (counters_.steps) job.countStepsInto(*counters_.steps);
  if (!job.prepare(random, now)) return false;
  takeValuesOf(job);
  TorusMap start = job.map();
  start.x = job.start().x;
  start.y = job.start().y;
  try {
    choosePath(random, start);
  } catch (const std::bad_alloc&) {
    err_ << "marl: error: cannot allocate the hit grid for size="
         << settings_.side << " to check the animation's path: out of "
         << "memory; give a smaller size\n";
    return false;
  }
  frame_.frame->recipeLines = recipeLinesOf(job) + recipeLines();
  if (settings_.mode == JobSettings::Mode::Fast)
    frame_.frame->fastStarts = startPointsOf(start);
  return true;
}

void AnimationJob::takeValuesOf(const PictureJob& job) {
  frame_ = settings_;
  const PictureParameters& p = job.parameters();
  for (int c = 0; c < 6; ++c) {
    const uint32_t colour = c < 3 ? p.startColour : p.finishColour;
    frame_.channels[c] = (colour >> (16 - 8 * (c % 3))) & 0xFF;
  }
  if (p.quazi) {
    const QuaziSettings& q = p.quaziSettings;
    frame_.qline = q.qline;
    frame_.qsize = q.qsize;
    frame_.qx = q.qx;
    frame_.qy = q.qy;
    frame_.qscale = q.qscale;
    frame_.qsep = q.qsep;
    frame_.spacingUnits = job.spacingUnits();
  }
  const TorusMap& map = job.map();
  start_.clear();
  for (int32_t i = 0; i < map.detail; ++i)
    for (int32_t j = 0; j < map.detail; ++j)
      start_.push_back(map.coefficientMatrix[i][j]);
  GivenMap given;
  given.linearCoefficient = int32_t(map.linearCoefficient);
  given.offset = map.offsetX;
  given.startX = job.start().x;
  given.startY = job.start().y;
  given.coefficients = start_;
  given.imageNumber = job.start().imageNumber;
  given.attempt = job.start().attempt;
  frame_.map = given;
  FrameOfAnimation frame;
  frame.digits = frameDigits(animation_.frames);
  frame_.frame = frame;
}

PathVerdict AnimationJob::judge(const CoefficientPath& path,
                                const TorusMap& start) const {
  return judgePath(path, start, settings_.side, settings_.threads);
}

void AnimationJob::choosePath(RandomSource& random, const TorusMap& start) {
  if (!animation_.isMorph()) {
    chooseLoop(random, start);
    return;
  }
  std::vector<Coefficients> keys = {start_};
  keys.insert(keys.end(), animation_.keyframes.begin(),
              animation_.keyframes.end());
  path_ = CoefficientPath::morph(keys);
  const PathVerdict verdict = judge(*path_, start);
  if (verdict.passes) return;
  const int32_t stretch = path_->stretchAt(verdict.lowestAt);
  err_ << "marl: warning: the morph from " << keyframeName(stretch) << " to "
       << keyframeName((stretch + 1) % path_->stretches()) << " fills only "
       << percent(verdict.lowestFill) << " of the picture near frame "
       << frameAt(verdict.lowestAt) << " (the fill check asks for "
       << percent(FillThreshold)
       << "): those frames may be nearly empty; choose other keyframes\n";
}

void AnimationJob::chooseLoop(RandomSource& random, const TorusMap& start) {
  const std::size_t dimension = start_.size();
  if (animation_.plane) {
    plane_ = animation_.plane;
    path_ = CoefficientPath::loop(start_, animation_.loopRadius,
                                  loopPlane(*plane_, dimension));
    const PathVerdict verdict = judge(*path_, start);
    if (!verdict.passes) {
      err_ << "marl: warning: the loop in plane=" << *plane_ << " fills only "
           << percent(verdict.lowestFill) << " of the picture near frame "
           << frameAt(verdict.lowestAt)
           << ": those frames may be nearly empty; give another plane or a "
              "smaller loop\n";
    }
    return;
  }
  PathVerdict best;
  best.lowestFill = -1.0;
  for (int draw = 0; draw < MaxPlaneDraws; ++draw) {
    const uint32_t seed = random.next();
    CoefficientPath path = CoefficientPath::loop(
        start_, animation_.loopRadius, loopPlane(seed, dimension));
    const PathVerdict verdict = judge(path, start);
    if (verdict.lowestFill > best.lowestFill) {
      best = verdict;
      plane_ = seed;
      path_ = path;
    }
    if (verdict.passes) return;
    err_ << "marl: note: the loop in plane " << seed << " fills only "
         << percent(verdict.lowestFill) << " of the picture near frame "
         << frameAt(verdict.lowestAt) << "; drawing another plane\n";
  }
  err_ << "marl: warning: no plane of " << MaxPlaneDraws << " drawn keeps "
       << percent(FillThreshold) << " of the picture filled; keeping plane "
       << *plane_ << ", which fills " << percent(best.lowestFill)
       << " near frame " << frameAt(best.lowestAt)
       << "; a smaller loop fills more easily\n";
}

int32_t AnimationJob::frameAt(double t) const {
  return int32_t(std::lround(t * animation_.frames)) % animation_.frames;
}

std::string AnimationJob::keyframeName(int32_t key) const {
  if (key == 0) return "the job's map";
  return "'" + escapedText(animation_.keyframeNames[std::size_t(key - 1)]) +
         "'";
}

std::string AnimationJob::recipeLines() const {
  std::ostringstream r;
  r << "\\ an animation: 'marl file=FRAME' makes all its frames again, "
       "'only=A-B' frames A to B\n"
    << "frames=" << animation_.frames << "\n";
  if (plane_) {
    r << "loop=" << recipeReal(animation_.loopRadius) << "\n"
      << "plane=" << *plane_ << "\n";
    return r.str();
  }
  r << "keyframes=";
  for (std::size_t k = 0; k < animation_.keyframes.size(); ++k) {
    if (k > 0) r << ';';
    const Coefficients& key = animation_.keyframes[k];
    for (std::size_t i = 0; i < key.size(); ++i)
      r << (i > 0 ? "," : "") << recipeReal(key[i]);
  }
  r << "\n";
  return r.str();
}

// A frame and the text it reports, kept until the frames before it have
// reported theirs; its pictures may be written on a thread of their own.
struct AnimationJob::Frame {
  explicit Frame(const JobSettings& settings) : job(settings, quiet, err) {}
  // A frame's echo and progress would repeat the job's: only its
  // diagnostics are shown.
  std::ostream quiet{nullptr};
  std::ostringstream err;
  PictureJob job;
  std::future<bool> written;
  // Made again for the videos only: its files were there already.
  bool forVideosOnly = false;
};

std::unique_ptr<AnimationJob::Frame> AnimationJob::newFrame(
    int32_t index) const {
  JobSettings settings = frame_;
  settings.map->coefficients =
      path_->at(double(index) / double(animation_.frames));
  settings.frame->index = index;
  auto frame = std::make_unique<Frame>(settings);
  if (counters_.steps) frame->job.countStepsInto(*counters_.steps);
  return frame;
}

bool AnimationJob::makeFrames() {
  if (!startVideos()) return false;
  bool allWritten = true;
  // The frame before, whose pictures are being written while this one's
  // orbit runs: the writing (colouring, encoding) costs a frame no time.
  std::unique_ptr<Frame> writing;
  const auto reportWritten = [&] {
    if (!writing) return;
    const bool written = writing->written.get();
    report(*writing, written);
    allWritten &= written;
    writing.reset();
    showVideoErrors();
  };
  for (int32_t index = animation_.first; index <= animation_.last; ++index) {
    std::unique_ptr<Frame> frame = newFrame(index);
    // Every value is given, so the frame's draws change nothing it makes.
    RandomSource unused;
    const bool prepared = frame->job.prepare(unused, 0);
    const bool made = prepared && madeAlready(frame->job);
    if (made) reportWritten();
    if (made && (videos_.empty() || feedVideosFrom(frame->job.names()))) {
      err_ << "marl: note: '" << Escaped{frame->job.names().fileName}
           << "' holds this frame already; skipped\n";
      if (counters_.skippedSteps)
        *counters_.skippedSteps += frame_.iterationMaximum;
      if (counters_.framesDone) ++*counters_.framesDone;
      continue;
    }
    frame->forVideosOnly = made;
    const bool counted = prepared && guarded(*frame, [](PictureJob& job) {
                           return job.countHits();
                         });
    reportWritten();
    if (!counted) {
      report(*frame, false);
      allWritten = false;
      continue;
    }
    Frame* const f = frame.get();
    const auto write = [this, f] {
      if (videos_.empty()) {
        return guarded(*f,
                       [](PictureJob& job) { return job.writePictures(); });
      }
      // Frames reach the videos in order: the one before has been fed
      // before this one's writing starts. A video that fails says so and
      // fails the run, not the frame.
      const bool keep = animation_.keepFrames && !f->forVideosOnly;
      return guarded(*f, [&](PictureJob& job) {
        return job.writePictures(
            keep, [this](RowSource& frame) { feedVideos(frame); });
      });
    };
    try {
      frame->written = std::async(std::launch::async, write);
    } catch (const std::system_error&) {
      frame->written = std::async(std::launch::deferred, write);  // no thread to spare
    }
    writing = std::move(frame);
  }
  reportWritten();
  return finishVideos(allWritten) && allWritten;
}

bool AnimationJob::startVideos() {
  VideoSettings video;
  // A cut (width=, height=) is what the frames show, so the videos too.
  video.width = frameWidth();
  video.height = frameHeight();
  video.fps = animation_.fps;
  video.embeddedText = withCheckLine(frame_.frame->recipeLines);
  for (VideoFormat format : animation_.videos) {
    const std::string name =
        makeOutputNames(frame_.basename, frame_.map->imageNumber,
                        videoFormatInfo(format).extension)
            .fileName;
    videos_.push_back(std::make_unique<VideoFile>(format, videoErr_));
    if (!videos_.back()->begin(name, video)) {
      videos_.clear();
      showVideoErrors();
      err_ << "marl: error: no frame is made without its videos; leave out "
              "video= or the format at fault\n";
      return false;
    }
  }
  return true;
}

int AnimationJob::frameWidth() const {
  return int(frame_.width.value_or(frame_.side));
}

int AnimationJob::frameHeight() const {
  return int(frame_.height.value_or(frame_.side));
}

void AnimationJob::feedVideos(RowSource& frame) {
  bool fed = true;
  for (const std::unique_ptr<VideoFile>& video : videos_)
    fed &= video->addFrame(frame);
  videoFailed_ |= !fed;
}

bool AnimationJob::feedVideosFrom(const OutputNames& names) {
  std::string error;
  const std::unique_ptr<RowSource> frame =
      readPngFrame(names.fileName, frameWidth(), frameHeight(), error);
  if (frame) {
    feedVideos(*frame);
    showVideoErrors();
    return true;
  }
  err_ << "marl: note: '" << Escaped{names.fileName}
       << "' holds this frame already but cannot be read back for the "
          "videos (" << error << "); it is made again for them, and its "
          "files are left as they are\n";
  return false;
}

bool AnimationJob::finishVideos(bool allFrames) {
  if (videos_.empty()) return true;
  bool finished = allFrames && !videoFailed_;
  if (!allFrames && !videoFailed_) {
    err_ << "marl: error: no video is made: a frame is missing; run again "
            "once the fault is mended (frames made are kept and not made "
            "again)\n";
  }
  for (const std::unique_ptr<VideoFile>& video : videos_) {
    std::string name;
    if (finished && video->finish(&name)) {
      out_ << "video of " << video->frames() << " frames: " << name
           << std::endl;
    } else {
      finished = false;
    }
  }
  videos_.clear();
  showVideoErrors();
  return finished;
}

void AnimationJob::showVideoErrors() {
  err_ << videoErr_.str();
  videoErr_.str("");
}

bool AnimationJob::guarded(Frame& frame,
                           const std::function<bool(PictureJob&)>& step) {
  try {
    return step(frame.job);
  } catch (const std::exception& e) {
    frame.err << "marl: error: cannot finish '"
              << Escaped{frame.job.names().fileName} << "': " << e.what()
              << "\n";
    return false;
  }
}

void AnimationJob::report(Frame& frame, bool written) {
  err_ << frame.err.str();
  if (written && animation_.keepFrames && !frame.forVideosOnly) {
    out_ << "frame " << frame.job.settings().frame->index << " of "
         << animation_.frames << ": " << frame.job.names().fileName
         << std::endl;
  }
  if (counters_.framesDone) ++*counters_.framesDone;
}

bool AnimationJob::madeAlready(const PictureJob& frame) const {
  const auto holdsRecipe = [&](const std::string& name) {
    const EmbeddedTextResult found = readEmbeddedText(name);
    if (found.status != EmbeddedTextResult::Found) return false;
    const FoundRecipe recipe = findRecipe(found.texts);
    return recipe.status == FoundRecipe::Status::Whole &&
           recipe.text == frame.recipe();
  };
  return holdsRecipe(frame.names().fileName) &&
         (!frame.parameters().quazi ||
          holdsRecipe(frame.names().quaziFileName));
}

}  // namespace marl
