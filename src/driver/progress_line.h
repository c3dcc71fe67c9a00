#ifndef MARL_DRIVER_PROGRESS_LINE_H_
#define MARL_DRIVER_PROGRESS_LINE_H_

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "driver/ordered_console.h"

namespace marl {

// What the jobs of a run have done so far; they update it as they go.
struct BatchProgress {
  std::atomic<int> picturesDone{0};
  std::atomic<int64_t> steps{0};  // map steps, fill-check restarts included
  // Steps of the work found done already (an animation's frames made by an
  // earlier run), which will not be taken.
  std::atomic<int64_t> stepsSkipped{0};
};

// A live status line on a terminal: pictures done of the total, steps per
// second and the time left, redrawn four times a second by a thread of its
// own until the object goes, which erases the line.
class ProgressLine {
 public:
  // `unit` names what is counted: "pictures", or an animation's "frames".
  ProgressLine(OrderedConsole& console, const BatchProgress& progress,
               int pictures, int64_t stepsPerPicture,
               const char* unit = "pictures");
  ~ProgressLine();
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

 private:
  void run();

  OrderedConsole& console_;
  const BatchProgress& progress_;
  const int pictures_;
  const char* const unit_;
  // A double: pictures times steps outgrows any integer type.
  const double totalSteps_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// The line's text. A rate of 0 or less is not known yet.
std::string progressText(int done, int total, double stepsPerSecond,
                         double secondsLeft, const char* unit = "pictures");

}  // namespace marl

#endif  // MARL_DRIVER_PROGRESS_LINE_H_
