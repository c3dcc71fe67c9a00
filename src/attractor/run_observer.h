#ifndef MARL_ATTRACTOR_RUN_OBSERVER_H_
#define MARL_ATTRACTOR_RUN_OBSERVER_H_

#include <cstdint>
#include <ostream>

namespace marl {

// What a run of the orbit tells the outside world, in the order it happens.
// The console printer is one implementation; a batch can hold the lines back
// and a recipe writer can learn which attempt was kept.
class RunObserver {
 public:
  virtual ~RunObserver() = default;
  // The iteration count at a fill check or a refresh of the count range.
  virtual void progress(int64_t itcnt) = 0;
  // The share of the square the attempt has filled at its check.
  virtual void fillChecked(double fillval) = 0;
  // The attempt was thrown away; the map has fresh parameters already.
  virtual void restarted() = 0;
  // The attempt passed its fill check and will run to the end.
  virtual void accepted() {}
};

// Prints the run's console lines: "itcnt = N", "fillval = F" and
// "Reseting as unfilled", each flushed.
class ConsoleRunObserver : public RunObserver {
 public:
  explicit ConsoleRunObserver(std::ostream& out) : out_(out) {}
  void progress(int64_t itcnt) override;
  void fillChecked(double fillval) override;
  void restarted() override;

 private:
  std::ostream& out_;
};

}  // namespace marl

#endif  // MARL_ATTRACTOR_RUN_OBSERVER_H_
