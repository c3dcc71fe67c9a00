#include "driver/progress_line.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <deque>

namespace marl {

namespace {

// The line's own sleeps are its clock: under libfaketime, which tests and
// repeatable runs use, every clock the process can read stands still, and
// timed waits never end, but sleeping still takes real time.
constexpr int SlicesPerTick = 5;
constexpr auto Slice = std::chrono::milliseconds(50);
constexpr double TickSeconds = 0.25;
// The rate is taken over the last two seconds, once there is one second.
constexpr std::size_t WindowTicks = 8;
constexpr std::size_t FirstRateTicks = 4;

// Beyond this the text would say nothing more, and a long could not hold it.
constexpr double LongestTimeShown = 1e15;

std::string clockText(double seconds) {
  const long total = long(std::min(seconds, LongestTimeShown) + 0.5);
  char text[32];
  if (total >= 3600)
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600,
                  total / 60 % 60, total % 60);
  else
    std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
  return text;
}

}  // namespace

std::string progressText(int done, int total, double stepsPerSecond,
                         double secondsLeft, const char* unit) {
  std::string text = std::to_string(done) + " of " + std::to_string(total) +
                     " " + unit + " done, ";
  if (stepsPerSecond <= 0) return text + "measuring speed";
  char rate[32];
  if (stepsPerSecond >= 1e6)
    std::snprintf(rate, sizeof rate, "%.1f M ", stepsPerSecond / 1e6);
  else
    std::snprintf(rate, sizeof rate, "%.0f ", stepsPerSecond);
  return text + rate + "steps/s, about " + clockText(secondsLeft) + " left";
}

ProgressLine::ProgressLine(OrderedConsole& console,
                           const BatchProgress& progress, int pictures,
                           int64_t stepsPerPicture, const char* unit)
    : console_(console),
      progress_(progress),
      pictures_(pictures),
      unit_(unit),
      totalSteps_(double(std::max(pictures, 0)) *
                  double(std::max<int64_t>(stepsPerPicture, 0))) {
  try {
    thread_ = std::thread([this] { run(); });
  } catch (...) {
    // No thread or memory to spare: the run goes on without the line.
  }
}

ProgressLine::~ProgressLine() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  console_.setStatus("");
}

void ProgressLine::run() {
  std::deque<int64_t> recent;  // the step count at each of the last ticks
  while (!stop_) {
    const int64_t steps = progress_.steps.load(std::memory_order_relaxed);
    recent.push_back(steps);
    if (recent.size() > WindowTicks + 1) recent.pop_front();
    double rate = 0;
    if (recent.size() > FirstRateTicks)
      rate = double(recent.back() - recent.front()) /
             (double(recent.size() - 1) * TickSeconds);
    const double toTake = totalSteps_ - double(steps) -
                          double(progress_.stepsSkipped.load());
    const double left =
        rate > 0 ? std::max(toTake, 0.0) / rate : 0;
    console_.setStatus(progressText(progress_.picturesDone.load(), pictures_,
                                    rate, left, unit_));
    for (int i = 0; i < SlicesPerTick && !stop_; ++i)
      std::this_thread::sleep_for(Slice);
  }
}

}  // namespace marl
