#ifndef MARL_TESTS_E2E_MARL_PROCESS_H_
#define MARL_TESTS_E2E_MARL_PROCESS_H_

#include <string>
#include <vector>

namespace marl_e2e {

// The clock every end-to-end run sees, frozen for the whole process.
extern const char* const kFrozenTime;   // "2026-01-01 00:00:00"
constexpr long kFrozenSeconds = 1767225600;

struct RunResult {
  std::string out;
  std::string err;
  int status = -1;
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
// frozen at `time`, written as kFrozenTime is).
RunResult runMarl(const TempFolder& folder,
                  const std::vector<std::string>& args,
                  const char* time = kFrozenTime);

// The usage text as users see it, empty first line included.
std::string usageText();

// Whether `actual` equals `expected`, in which every "######" stands for a
// six-digit image number (the one part of a transcript that the expected
// text does not fix).
bool matchesTranscript(const std::string& actual, const std::string& expected);

}  // namespace marl_e2e

#endif  // MARL_TESTS_E2E_MARL_PROCESS_H_
