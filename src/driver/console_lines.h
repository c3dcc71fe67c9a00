#ifndef MARL_DRIVER_CONSOLE_LINES_H_
#define MARL_DRIVER_CONSOLE_LINES_H_

#include <cstdint>
#include <ostream>
#include <string>

#include "animation/animation_console.h"
#include "attractor/run_observer.h"

namespace marl {

// The command line's words for what a job tells: the echo, file names and
// progress on `out`, each line flushed, and diagnostics on `err`.
class ConsoleLines : public AnimationConsole {
 public:
  ConsoleLines(std::ostream& out, std::ostream& err);

  void colours(uint32_t start, uint32_t finish) override;
  void output(const std::string& basename, const std::string& imageWord,
              int32_t detail) override;
  void pictureSize(uint32_t width, uint32_t height) override;
  void tilingToo() override;
  void picture(const std::string& fileName, int64_t iterations) override;
  void progress(int64_t itcnt) override { run_.progress(itcnt); }
  void fillChecked(double fillval) override { run_.fillChecked(fillval); }
  void restarted() override { run_.restarted(); }
  void frameWritten(int32_t index, int32_t frames,
                    const std::string& fileName) override;
  void videoWritten(int64_t frames, const std::string& fileName) override;
  std::ostream& diagnostics() override { return err_; }

 private:
  std::ostream& out_;
  std::ostream& err_;
  ConsoleRunObserver run_;  // the orbit's lines
};

}  // namespace marl

#endif  // MARL_DRIVER_CONSOLE_LINES_H_
