#ifndef MARL_JOB_JOB_CONSOLE_H_
#define MARL_JOB_JOB_CONSOLE_H_

#include <cstdint>
#include <ostream>
#include <sstream>
#include <string>

#include "attractor/run_observer.h"

namespace marl {

// Where a picture job tells what it does, as it happens: the echo of its
// settings, its file's name, its orbit's progress (the RunObserver calls)
// and its diagnostics. The job says what happened; the console decides the
// words. The command line prints the lines it always printed; a frame of an
// animation keeps only its diagnostics, since its echo and progress would
// repeat its animation's.
class JobConsole : public RunObserver {
 public:
  // The echo, in the order the job settles it.
  virtual void colours(uint32_t start, uint32_t finish) = 0;
  virtual void output(const std::string& basename,
                      const std::string& imageWord, int32_t detail) = 0;
  virtual void pictureSize(uint32_t width, uint32_t height) = 0;
  virtual void tilingToo() = 0;
  // The attractor picture's file and the steps its orbit will run to.
  virtual void picture(const std::string& fileName, int64_t iterations) = 0;

  // Where whole diagnostic lines go: those below, and those the encoders
  // write of their own.
  virtual std::ostream& diagnostics() = 0;

  // One "marl: KIND: ..." line made of `parts`, streamed as they are: no
  // copy is built, so that a report made while memory is short needs none.
  template <class... Parts>
  void warning(const Parts&... parts) { say("warning", parts...); }
  template <class... Parts>
  void note(const Parts&... parts) { say("note", parts...); }
  template <class... Parts>
  void error(const Parts&... parts) { say("error", parts...); }

 private:
  template <class... Parts>
  void say(const char* kind, const Parts&... parts) {
    std::ostream& line = diagnostics();
    line << "marl: " << kind << ": ";
    (line << ... << parts);
    line << '\n';
  }
};

// A console that shows nothing and keeps the diagnostics for whoever shows
// them later: a frame's, whose text waits for the frames before it.
class QuietConsole : public JobConsole {
 public:
  void colours(uint32_t, uint32_t) override {}
  void output(const std::string&, const std::string&, int32_t) override {}
  void pictureSize(uint32_t, uint32_t) override {}
  void tilingToo() override {}
  void picture(const std::string&, int64_t) override {}
  void progress(int64_t) override {}
  void fillChecked(double) override {}
  void restarted() override {}
  std::ostream& diagnostics() override { return diagnostics_; }

  // The diagnostics so far, which are then forgotten.
  std::string takeDiagnostics();

 private:
  std::ostringstream diagnostics_;
};

}  // namespace marl

#endif  // MARL_JOB_JOB_CONSOLE_H_
