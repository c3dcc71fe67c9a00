#ifndef MARL_TESTS_E2E_MARL_PROCESS_H_
#define MARL_TESTS_E2E_MARL_PROCESS_H_

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace marl_e2e {

// The clock every end-to-end run sees, frozen for the whole process.
extern const char* const FrozenTime;   // "2026-01-01 00:00:00"
constexpr long FrozenSeconds = 1767225600;

// Whether this is the sanitizer build, unoptimised, which counts fast
// orbits about 45 times slower than a release one.
#ifdef __SANITIZE_ADDRESS__
constexpr bool SanitizerBuild = true;
#else
constexpr bool SanitizerBuild = false;
#endif

struct RunResult {
  std::string out;
  std::string err;
  int status = -1;  // the exit status; -1 after a death by a signal
  int signal = 0;   // the signal it died of, if any
  // Its peak resident memory; 0 when it ended before wait() (by halt()).
  long peakKilobytes = 0;
};

// A temporary folder, removed with everything in it when the object goes.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  const std::string& path() const { return path_; }
  // Names of the plain files in the folder, sorted.
  std::vector<std::string> files() const;
  std::string read(const std::string& name) const;
  void write(const std::string& name, const std::string& text) const;

 private:
  std::string path_;
};

// Runs the built marl with `args` in `folder` under the frozen clock (or
// frozen at `time`, written as FrozenTime is).
RunResult runMarl(const TempFolder& folder,
                  const std::vector<std::string>& args,
                  const char* time = FrozenTime);

// How MarlProcess starts marl.
struct Launch {
  // The frozen clock, with libfaketime preloaded directly: unlike the
  // faketime wrapper, it lets a death by a signal be seen.
  bool frozenClock = true;
  long fileSizeLimit = -1;     // RLIMIT_FSIZE in bytes; -1 keeps it
  long addressSpaceLimit = -1;  // RLIMIT_AS in bytes; -1 keeps it
  std::string standardOutput;  // a path instead of a file of its own
  // Standard output a pipe whose reading end is closed before marl starts,
  // as after `| head -c1` has read its byte.
  bool closedPipe = false;
  // Another copy of the program to run; empty for the one built.
  std::string binary;
  // A library preloaded into it (beside libfaketime); empty for none.
  std::string preload;
};

// The built marl started in `folder` while the test goes on, with standard
// output and error captured in hidden files of its own.
class MarlProcess {
 public:
  MarlProcess(const TempFolder& folder, const std::vector<std::string>& args,
              const Launch& launch = {});
  ~MarlProcess();  // kills a process still running
  MarlProcess(const MarlProcess&) = delete;
  MarlProcess& operator=(const MarlProcess&) = delete;

  // Neither reaches a process that has ended.
  void signal(int signo);
  // Halts the process (SIGSTOP) and returns once it is halted; false when
  // it has ended instead.
  bool halt();
  void resume();
  // Whether the process has ended; never waits.
  bool ended();
  int pid() const { return pid_; }
  // Waits, without halting the process, until `holds` is true of the names
  // in the folder (as TempFolder::files gives them) and, for each unnamed
  // temporary file the process holds open there, "#INODE.tmp-unnamed",
  // looking again at each change there. False when the process ends first
  // or `limit` passes.
  bool waitForFiles(
      const std::function<bool(const std::vector<std::string>&)>& holds,
      std::chrono::seconds limit);
  std::vector<std::string> namesWithUnnamed() const;
  // Waits for the end; the output files are read and removed.
  RunResult wait();
  // As wait, but kills the process (SIGKILL) if it has not ended within
  // `limit`: a run that should end by itself cannot hang the test.
  RunResult waitAtMost(std::chrono::seconds limit);

 private:
  const TempFolder& folder_;
  std::string outName_, errName_;
  int pid_ = -1;
  int rawStatus_ = 0;
  bool ended_ = false;
};

// The usage text as users see it, empty first line included.
std::string usageText();

// Whether `actual` equals `expected`, in which every "######" stands for a
// six-digit image number (the one part of a transcript that the expected
// text does not fix).
bool matchesTranscript(const std::string& actual, const std::string& expected);

}  // namespace marl_e2e

#endif  // MARL_TESTS_E2E_MARL_PROCESS_H_
