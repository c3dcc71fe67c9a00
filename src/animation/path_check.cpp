#include "animation/path_check.h"

#include "attractor/fast_orbits.h"
#include "attractor/run_control.h"
#include "attractor/run_observer.h"

namespace marl {

namespace {

// Keeps the fill an attempt reached at its check and prints nothing.
class FillReader : public RunObserver {
 public:
  void progress(int64_t) override {}
  void fillChecked(double fillval) override { fill = fillval; }
  void restarted() override {}
  double fill = 0.0;
};

}  // namespace

PathJudge::PathJudge(const TorusMap& base, uint32_t side,
                     JobSettings::Mode mode,
                     std::shared_ptr<const StartPoints> starts,
                     unsigned threads)
    : map_(base),
      mode_(mode),
      starts_(std::move(starts)),
      threads_(threads),
      startX_(base.x),
      startY_(base.y) {
  grid_.setSize(side);
}

double PathJudge::fillOf(const Coefficients& coefficients) {
  const int32_t detail = map_.detail;
  for (int32_t i = 0; i < detail; ++i)
    for (int32_t j = 0; j < detail; ++j)
      map_.coefficientMatrix[i][j] = coefficients[std::size_t(i * detail + j)];
  grid_.clearHits();
  if (mode_ == JobSettings::Mode::Fast) {
    runFastOrbits(map_, *starts_, uint64_t(FillCheckInterval - WarmUpIterations),
                  grid_, threads_, nullptr, FastSettleSteps);
    return grid_.filledFraction();
  }
  map_.x = startX_;
  map_.y = startY_;
  FillReader reader;
  // No attempt may be thrown away: the check only measures.
  OrbitRun run(map_, grid_, FillCheckInterval + 1, reader, 0);
  run.runAttempt();
  return reader.fill;
}

PathVerdict PathJudge::judge(const CoefficientPath& path) {
  const int32_t stretches = path.stretches();
  const int32_t samples =
      (LeastPathSamples + stretches - 1) / stretches * stretches;
  PathVerdict verdict;
  for (int32_t j = 0; j < samples; ++j) {
    const double t = double(j) / double(samples);
    const double fill = fillOf(path.at(t));
    if (fill < verdict.lowestFill) {
      verdict.lowestFill = fill;
      verdict.lowestAt = t;
    }
  }
  verdict.passes = verdict.lowestFill >= FillThreshold;
  return verdict;
}

}  // namespace marl
