#include "animation/animation_path.h"

#include <cmath>
#include <sstream>
#include <vector>

#include "animation/path_check.h"
#include "attractor/run_control.h"
#include "base/escaped_text.h"
#include "job/recipe.h"
#include "options/option_keys.h"

namespace marl {

namespace {

std::string percent(double share) {
  std::ostringstream text;
  text.precision(3);
  text << share * 100 << "%";
  return text.str();
}

// Chooses the path; one object for the values every judgement and message
// needs.
class PathChoice {
 public:
  PathChoice(const AnimationSettings& animation, const TorusMap& start,
             uint32_t side, unsigned threads, JobConsole& console)
      : animation_(animation),
        start_(start),
        side_(side),
        threads_(threads),
        console_(console) {
    for (int32_t i = 0; i < start.detail; ++i)
      for (int32_t j = 0; j < start.detail; ++j)
        coefficients_.push_back(start.coefficientMatrix[i][j]);
  }

  AnimationPath morph() const {
    std::vector<Coefficients> keys = {coefficients_};
    keys.insert(keys.end(), animation_.keyframes.begin(),
                animation_.keyframes.end());
    AnimationPath chosen{CoefficientPath::morph(keys), std::nullopt};
    const PathVerdict verdict = judge(chosen.path);
    if (verdict.passes) return chosen;
    const int32_t stretch = chosen.path.stretchAt(verdict.lowestAt);
    console_.warning(
        "the morph from ", keyframeName(stretch), " to ",
        keyframeName((stretch + 1) % chosen.path.stretches()), " fills only ",
        percent(verdict.lowestFill), " of the picture near frame ",
        frameAt(verdict.lowestAt), " (the fill check asks for ",
        percent(FillThreshold),
        "): those frames may be nearly empty; choose other keyframes");
    return chosen;
  }

  AnimationPath givenLoop(uint32_t plane) const {
    AnimationPath chosen{loopIn(plane), plane};
    const PathVerdict verdict = judge(chosen.path);
    if (!verdict.passes) {
      console_.warning("the loop in plane=", plane, " fills only ",
                       percent(verdict.lowestFill),
                       " of the picture near frame ",
                       frameAt(verdict.lowestAt),
                       ": those frames may be nearly empty; give another "
                       "plane or a smaller loop");
    }
    return chosen;
  }

  AnimationPath drawnLoop(RandomSource& random) const {
    std::optional<AnimationPath> best;
    PathVerdict bestVerdict;
    bestVerdict.lowestFill = -1.0;
    for (int draw = 0; draw < MaxPlaneDraws; ++draw) {
      const uint32_t seed = random.next();
      CoefficientPath path = loopIn(seed);
      const PathVerdict verdict = judge(path);
      if (verdict.lowestFill > bestVerdict.lowestFill) {
        bestVerdict = verdict;
        best = AnimationPath{path, seed};
      }
      if (verdict.passes) return *best;
      console_.note("the loop in plane ", seed, " fills only ",
                    percent(verdict.lowestFill), " of the picture near frame ",
                    frameAt(verdict.lowestAt), "; drawing another plane");
    }
    console_.warning("no plane of ", MaxPlaneDraws, " drawn keeps ",
                     percent(FillThreshold),
                     " of the picture filled; keeping plane ", *best->plane,
                     ", which fills ", percent(bestVerdict.lowestFill),
                     " near frame ", frameAt(bestVerdict.lowestAt),
                     "; a smaller loop fills more easily");
    return *best;
  }

 private:
  CoefficientPath loopIn(uint32_t plane) const {
    return CoefficientPath::loop(coefficients_, animation_.loopRadius,
                                 loopPlane(plane, coefficients_.size()));
  }
  PathVerdict judge(const CoefficientPath& path) const {
    return judgePath(path, start_, side_, threads_);
  }
  // The frame nearest to t, for messages.
  int32_t frameAt(double t) const {
    return int32_t(std::lround(t * animation_.frames)) % animation_.frames;
  }
  std::string keyframeName(int32_t key) const {
    if (key == 0) return "the job's map";
    return "'" +
           escapedText(animation_.keyframeNames[std::size_t(key - 1)]) + "'";
  }

  const AnimationSettings& animation_;
  const TorusMap& start_;
  const uint32_t side_;
  const unsigned threads_;
  JobConsole& console_;
  Coefficients coefficients_;
};

}  // namespace

AnimationPath chooseAnimationPath(const AnimationSettings& animation,
                                  const TorusMap& start, uint32_t side,
                                  unsigned threads, RandomSource& random,
                                  JobConsole& console) {
  const PathChoice choice(animation, start, side, threads, console);
  if (animation.isMorph()) return choice.morph();
  if (animation.plane) return choice.givenLoop(*animation.plane);
  return choice.drawnLoop(random);
}

std::string animationRecipeLines(const AnimationSettings& animation,
                                 const std::optional<uint32_t>& plane) {
  std::ostringstream r;
  r << "\\ an animation: 'marl file=FRAME' makes all its frames again, "
       "'only=A-B' frames A to B\n"
    << key::Frames << "=" << animation.frames << "\n";
  if (plane) {
    r << key::Loop << "=" << recipeReal(animation.loopRadius) << "\n"
      << key::Plane << "=" << *plane << "\n";
    return r.str();
  }
  r << key::Keyframes << "=";
  for (std::size_t k = 0; k < animation.keyframes.size(); ++k) {
    if (k > 0) r << ';';
    const Coefficients& key = animation.keyframes[k];
    for (std::size_t i = 0; i < key.size(); ++i)
      r << (i > 0 ? "," : "") << recipeReal(key[i]);
  }
  r << "\n";
  return r.str();
}

}  // namespace marl
